#include "tmpfs_mount.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

TTmpfsMount::TTmpfsMount(std::uint64_t bytes) {
    std::string pattern = "/tmp/tarnwick-tmpfs-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        FWhy = std::string("cannot make a mount point: ") + std::strerror(errno);
        return;
    }
    FRoot = pattern;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tarnwick-test", FRoot.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        FWhy = std::string("cannot mount a tmpfs for the test: ") + std::strerror(errno);
        return;
    }
    FbMounted = true;
}

TTmpfsMount::~TTmpfsMount() {
    if (FbMounted)
        ::umount2(FRoot.c_str(), MNT_DETACH);
    if (!FRoot.empty())
        ::rmdir(FRoot.c_str());
}
