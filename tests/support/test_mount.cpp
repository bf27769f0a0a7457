#include "test_mount.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

TScratchFileSystem::TScratchFileSystem(const std::string& type, std::uint64_t bytes) {
    std::string pattern = "/tmp/tarnwick-mount-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        FWhy = std::string("cannot make a mount point: ") + std::strerror(errno);
        return;
    }
    FRoot = pattern;
    if (type == "tmpfs") {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tarnwick-test", FRoot.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.c_str()) != 0) {
            FWhy = std::string("cannot mount a tmpfs for the test: ") + std::strerror(errno);
            return;
        }
        FbMounted = true;
        return;
    }
    FImage = FRoot + ".img";
    const int image = ::open(FImage.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (image < 0 || ::ftruncate(image, static_cast<off_t>(bytes)) != 0) {
        FWhy = "cannot make an image file";
        if (image >= 0)
            ::close(image);
        return;
    }
    ::close(image);
    const std::string make = "mkfs." + type + " -q '" + FImage + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        FWhy = "mkfs." + type + " is missing or failed (scripts/packages.txt installs it)";
        return;
    }
    const std::string mount = "mount -o loop '" + FImage + "' '" + FRoot + "' >/dev/null 2>&1";
    if (std::system(mount.c_str()) != 0) {
        FWhy = "cannot mount a " + type + " image through a loop device";
        return;
    }
    ::chmod(FRoot.c_str(), 0755);
    FbMounted = true;
}

TScratchFileSystem::~TScratchFileSystem() {
    if (FbMounted)
        ::umount2(FRoot.c_str(), MNT_DETACH);
    if (!FImage.empty())
        ::unlink(FImage.c_str());
    if (!FRoot.empty())
        ::rmdir(FRoot.c_str());
}
