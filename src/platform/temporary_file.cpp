#include "temporary_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr std::string_view kPrefix = ".tarnwick-";

// The process's file mode creation mask, read once from /proc without
// changing it (umask() would change it for every thread for a moment);
// -1 when it cannot be read.
int CreationMask() {
    static const int mask = [] {
        FILE* status = std::fopen("/proc/self/status", "re");
        if (!status)
            return -1;
        char line[256];
        int value = -1;
        while (std::fgets(line, sizeof line, status)) {
            unsigned parsed = 0;
            if (std::sscanf(line, "Umask: %o", &parsed) == 1) {
                value = static_cast<int>(parsed);
                break;
            }
        }
        std::fclose(status);
        return value;
    }();
    return mask;
}

} // namespace

mode_t NewFileMode() {
    const int mask = CreationMask();
    return 0666 & ~mode_t(mask < 0 ? 022 : mask);
}

int TTemporaryFile::Create(int dirFd, mode_t mode) {
    Abandon();
    static std::atomic<unsigned long> counter{0};
    const int mask = CreationMask();
    FMode = mode & 07777;
    FbModeApplied = mask >= 0 && FMode <= 0777 && (FMode & ~mode_t(mask)) == FMode;
    const std::string stem = std::string(kPrefix) + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        FName = stem + std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        FFile.Reset(::openat(dirFd, FName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                             FbModeApplied ? FMode : mode_t(0600)));
        if (FFile.IsOpen()) {
            FiDir = dirFd;
            return 0;
        }
        if (errno != EEXIST)
            break;
    }
    const int err = errno;
    FName.clear();
    return err;
}

int TTemporaryFile::ApplyMode() {
    if (!FFile.IsOpen())
        return EBADF;
    if (!FbModeApplied && ::fchmod(FFile.Get(), FMode) != 0)
        return errno;
    FbModeApplied = true;
    return 0;
}

int TTemporaryFile::Close(bool sync) {
    if (!FFile.IsOpen())
        return EBADF;
    if (sync && ::fsync(FFile.Get()) != 0) {
        const int err = errno;
        FFile.Reset();
        return err;
    }
    return FFile.Close();
}

int TTemporaryFile::RenameOver(const char* targetName, bool sync) {
    if (FName.empty() || FFile.IsOpen())
        return EBADF;
    if (::renameat(FiDir, FName.c_str(), FiDir, targetName) != 0)
        return errno;
    FName.clear();
    if (sync)
        ::fsync(FiDir);
    return 0;
}

void TTemporaryFile::Abandon() {
    FFile.Reset();
    if (!FName.empty()) {
        ::unlinkat(FiDir, FName.c_str(), 0);
        FName.clear();
    }
}

} // namespace tarnwick
