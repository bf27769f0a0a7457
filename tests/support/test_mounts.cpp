#include "test_mounts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>

namespace {

// Runs a shell command; its exit status and what it printed.
int Run(const std::string& command, std::string& output) {
    output.clear();
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p))
        output += buffer;
    const int status = ::pclose(p);
    std::string line; // one line, blanks run together
    for (const char c : output)
        if (!(c == ' ' || c == '\n') || (!line.empty() && line.back() != ' '))
            line += (c == '\n') ? ' ' : c;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    output = line;
    return status;
}

} // namespace

TTestMount TTestMount::Bind(const std::string& from, const std::string& at) {
    TTestMount m;
    m.FAt = at;
    if (::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0)
        m.FbMounted = true;
    else
        m.FWhyNot = std::string("bind mounts are not allowed here: ") + std::strerror(errno);
    return m;
}

TTestMount TTestMount::Tmpfs(const std::string& at, long size) {
    TTestMount m;
    m.FAt = at;
    const std::string options = "size=" + std::to_string(size);
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0)
        m.FbMounted = true;
    else
        m.FWhyNot = std::string("tmpfs cannot be mounted here: ") + std::strerror(errno);
    return m;
}

TTestMount TTestMount::VfatImage(const std::string& imagePath, const std::string& at,
                                 const std::string& options, long size) {
    TTestMount m;
    m.FAt = at;
    std::string output;
    if (Run("truncate -s " + std::to_string(size) + " '" + imagePath + "' && mkfs.vfat '" +
                imagePath + "'",
            output) != 0) {
        m.FWhyNot = "no vfat image could be made (mkfs.vfat from dosfstools): " + output;
        return m;
    }
    const std::string mountOptions = "loop" + (options.empty() ? "" : "," + options);
    if (Run("mount -t vfat -o " + mountOptions + " '" + imagePath + "' '" + at + "'", output) != 0) {
        m.FWhyNot = "a vfat image cannot be mounted here: " + output;
        return m;
    }
    m.FbMounted = true;
    return m;
}

TTestMount::TTestMount(TTestMount&& other) noexcept
    : FAt(std::move(other.FAt)), FbMounted(other.FbMounted), FWhyNot(std::move(other.FWhyNot)) {
    other.FbMounted = false;
}

bool TTestMount::MakeReadOnly() {
    return FbMounted &&
           ::mount(nullptr, FAt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

TTestMount::~TTestMount() {
    if (FbMounted && ::umount2(FAt.c_str(), 0) != 0)
        ::umount2(FAt.c_str(), MNT_DETACH);
}
