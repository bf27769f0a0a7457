#include "replacing_file.h"

#include "folder_of.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tarnwick {

namespace {

// A link at path stands for the file it leads to.
std::string FollowLink(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TReplacingFile::~TReplacingFile() {
    Abandon();
}

bool TReplacingFile::Fail(const char* what, int err) {
    FError = QString::fromLatin1(what) + QStringLiteral(": ") +
             QString::fromStdString(std::generic_category().message(err));
    Abandon();
    return false;
}

bool TReplacingFile::Open(const std::string& targetPath) {
    Abandon();
    FError.clear();
    if (targetPath.empty())
        return Fail("no file name", ENOENT);
    FTarget = FollowLink(targetPath);
    struct stat existing{};
    const bool exists = ::stat(FTarget.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Fail("cannot replace it", S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    if (exists && ::access(FTarget.c_str(), W_OK) != 0)
        return Fail("cannot replace it", errno); // the file is not ours to write

    // The new file's name: the target's own name (shortened to fit) and six random characters.
    const size_t slash = FTarget.rfind('/');
    std::string stem = FTarget.substr(slash == std::string::npos ? 0 : slash + 1);
    constexpr size_t kSuffix = 7; // "." and XXXXXX
    if (stem.size() + kSuffix > NAME_MAX)
        stem.resize(NAME_MAX - kSuffix);
    FTemp = (slash == std::string::npos ? std::string() : FTarget.substr(0, slash + 1)) + stem +
            ".XXXXXX";
    FiFd = ::mkostemp(FTemp.data(), O_CLOEXEC);
    if (FiFd < 0) {
        FTemp.clear();
        return Fail("cannot create a file there", errno);
    }
    // A new file gets the usual bits for a new file; a replaced one keeps its own.
    mode_t mode = existing.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(FiFd, mode) != 0)
        return Fail("cannot set the file's permission bits", errno);
    return true;
}

bool TReplacingFile::Write(std::string_view data) {
    if (FiFd < 0)
        return false;
    while (!data.empty()) {
        const ssize_t put = ::write(FiFd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail("writing failed", errno);
        }
        data.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool TReplacingFile::Commit() {
    if (FiFd < 0)
        return false;
    if (::fsync(FiFd) != 0)
        return Fail("writing failed", errno);
    const int fd = FiFd;
    FiFd = -1;
    if (::close(fd) != 0)
        return Fail("writing failed", errno);
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0)
        return Fail("cannot replace the file", errno);
    FTemp.clear();
    SyncFolder(FolderOf(FTarget));
    return true;
}

void TReplacingFile::Abandon() {
    if (FiFd >= 0) {
        ::close(FiFd);
        FiFd = -1;
    }
    if (!FTemp.empty()) {
        ::unlink(FTemp.c_str());
        FTemp.clear();
    }
}

} // namespace tarnwick
