#include "temporary_file.h"

#include "platform/folder_listing.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

bool ProcessIsGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

mode_t NewFileMode() {
    const int mask = CreationMask();
    return 0666 & ~mode_t(mask < 0 ? 022 : mask);
}

namespace {

// ".tarnwick-PID-N", N counting up in the process.
std::string NextTemporaryName() {
    static std::atomic<unsigned long> counter{0};
    return std::string(kPrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
}

// How an open file without a name gets one: by its descriptor where the
// process may (CAP_DAC_READ_SEARCH), else through /proc/self/fd.
int LinkByDescriptor(int fd, int dirFd, const char* name) {
    if (::linkat(fd, "", dirFd, name, AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM && errno != EACCES)
        return errno;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, path, dirFd, name, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    return errno;
}

// Whether a file without a name can be given one here: /proc/self/fd is
// there, or the process may link by descriptor.
bool CanLinkUnnamed() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

} // namespace

int TTemporaryFile::CreateUnnamed(int dirFd, mode_t mode) {
    Abandon();
    if (CanLinkUnnamed()) {
        const int mask = CreationMask();
        FMode = mode & 07777;
        FbModeApplied = mask >= 0 && FMode <= 0777 && (FMode & ~mode_t(mask)) == FMode;
        FFile.Reset(::openat(dirFd, ".", O_RDWR | O_TMPFILE | O_CLOEXEC,
                             FbModeApplied ? FMode : mode_t(0600)));
        if (FFile.IsOpen()) {
            FiDir = dirFd;
            FbUnnamed = true;
            FbComplete = false;
            return 0;
        }
        // Not on this file system (or an old kernel): a named one instead.
    }
    return Create(dirFd, mode);
}

int TTemporaryFile::Create(int dirFd, mode_t mode) {
    Abandon();
    const int mask = CreationMask();
    FMode = mode & 07777;
    FbModeApplied = mask >= 0 && FMode <= 0777 && (FMode & ~mode_t(mask)) == FMode;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        FName = NextTemporaryName();
        FFile.Reset(::openat(dirFd, FName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                             FbModeApplied ? FMode : mode_t(0600)));
        if (FFile.IsOpen()) {
            FiDir = dirFd;
            // Best effort: a file system without locks still has the process test.
            ::flock(FFile.Get(), LOCK_EX | LOCK_NB);
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
    if (!FFile.IsOpen() || FbComplete)
        return EBADF;
    if (sync && ::fsync(FFile.Get()) != 0) {
        const int err = errno;
        FFile.Reset();
        return err;
    }
    if (FbUnnamed) {
        FbComplete = true; // closed once it has its name
        return 0;
    }
    return FFile.Close();
}

int TTemporaryFile::NameIfFree(const char* targetName) {
    if (!FbUnnamed || !FbComplete || !FFile.IsOpen())
        return EBADF;
    if (const int err = LinkByDescriptor(FFile.Get(), FiDir, targetName))
        return err;
    FbUnnamed = false;
    FbComplete = false;
    FFile.Reset();
    return 0;
}

int TTemporaryFile::RenameOver(const char* targetName, bool sync) {
    if (FbUnnamed) {
        const int err = NameIfFree(targetName);
        if (err == 0) {
            if (sync)
                ::fsync(FiDir);
            return 0;
        }
        if (err != EEXIST)
            return err;
        // A file stands at the target: the copy takes a temporary name and
        // replaces it by a rename below, as a named copy does.
        if (const int named = NameForRename())
            return named;
    }
    if (FName.empty() || FFile.IsOpen())
        return EBADF;
    if (::renameat(FiDir, FName.c_str(), FiDir, targetName) != 0)
        return errno;
    FName.clear();
    if (sync)
        ::fsync(FiDir);
    return 0;
}

int TTemporaryFile::NameForRename() {
    // Locked like a named temporary file while it has the name.
    ::flock(FFile.Get(), LOCK_EX | LOCK_NB);
    int err = EEXIST;
    for (int attempt = 0; attempt < 1000 && err == EEXIST; ++attempt) {
        FName = NextTemporaryName();
        err = LinkByDescriptor(FFile.Get(), FiDir, FName.c_str());
    }
    if (err != 0) {
        FName.clear();
        return err;
    }
    FbUnnamed = false;
    FbComplete = false;
    FFile.Reset();
    return 0;
}

void TTemporaryFile::Abandon() {
    FbUnnamed = false;
    FbComplete = false;
    FFile.Reset();
    if (!FName.empty()) {
        ::unlinkat(FiDir, FName.c_str(), 0);
        FName.clear();
    }
}

bool IsTemporaryName(std::string_view name, pid_t& pid) {
    if (name.substr(0, kPrefix.size()) != kPrefix)
        return false;
    name.remove_prefix(kPrefix.size());
    const size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == name.size())
        return false;
    const char* first = name.data();
    const auto [end, ec] = std::from_chars(first, first + dash, pid);
    if (ec != std::errc() || end != first + dash || pid <= 0)
        return false;
    for (const char c : name.substr(dash + 1))
        if (c < '0' || c > '9')
            return false;
    return true;
}

int RemoveStaleTemporaries(int dirFd) {
    std::vector<std::string> candidates;
    ListFolder(dirFd, [&](std::string_view name, TEntryKind kind) {
        pid_t pid = 0;
        if (kind == TEntryKind::File && IsTemporaryName(name, pid) && pid != ::getpid() &&
            ProcessIsGone(pid))
            candidates.emplace_back(name);
    });
    int removed = 0;
    for (const std::string& name : candidates) {
        struct stat st{};
        // Never follow a link, never block on a FIFO.
        TUniqueFd file(::openat(dirFd, name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.IsOpen()) {
            if (::fstat(file.Get(), &st) != 0)
                continue;
            // A run in another process namespace may be writing it still.
            if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
                continue;
        } else if (errno != EACCES ||
                   ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue; // a link, or gone already
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        // Remove the very file that was checked, not one put there since.
        struct stat now{};
        if (::fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
            now.st_dev != st.st_dev || now.st_ino != st.st_ino)
            continue;
        if (::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace tarnwick
