#include "folder_handle.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

TEntryType TypeOfMode(mode_t mode) {
    if (S_ISDIR(mode))
        return TEntryType::Folder;
    if (S_ISREG(mode))
        return TEntryType::File;
    return TEntryType::Other;
}

// The type of name in dirFd, links followed; a dangling link is a file.
std::optional<TEntryType> TypeByStatus(int dirFd, const char* name, int& err) {
    struct stat st{};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        err = errno;
        return std::nullopt;
    }
    if (!S_ISLNK(st.st_mode))
        return TypeOfMode(st.st_mode);
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return TEntryType::File;
    return TypeOfMode(st.st_mode);
}

} // namespace

TFolderHandle& TFolderHandle::operator=(TFolderHandle&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0)
            ::close(FFd);
        FFd = other.FFd;
        other.FFd = -1;
    }
    return *this;
}

TFolderHandle::~TFolderHandle() {
    if (FFd >= 0)
        ::close(FFd);
}

TFolderHandle OpenFolder(const std::string& path, int& err) {
    if (path.empty()) {
        err = ENOENT;
        return TFolderHandle();
    }
    const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    err = fd < 0 ? errno : 0;
    return TFolderHandle(fd);
}

TFolderHandle OpenFolderAt(const TFolderHandle& parent, const std::string& name, int& err) {
    const int fd = ::openat(parent.Fd(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    err = fd < 0 ? errno : 0;
    return TFolderHandle(fd);
}

std::optional<TFolderIdentity> IdentityOf(const TFolderHandle& folder) {
    struct stat st{};
    if (!folder.IsOpen() || ::fstat(folder.Fd(), &st) != 0)
        return std::nullopt;
    return TFolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                           static_cast<std::uint64_t>(st.st_ino)};
}

bool ListEntries(const TFolderHandle& folder, std::vector<TTypedEntry>& entries, int& err) {
    entries.clear();
    err = 0;
    // The handle only names the folder; reading it takes an open for reading.
    const int fd = ::openat(folder.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        err = errno;
        ::close(fd);
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            err = errno;
            break;
        }
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        std::optional<TEntryType> type;
        switch (e->d_type) {
        case DT_DIR:
            type = TEntryType::Folder;
            break;
        case DT_REG:
            type = TEntryType::File;
            break;
        case DT_LNK:
        case DT_UNKNOWN: {
            int statErr = 0;
            type = TypeByStatus(fd, n, statErr);
            if (!type)
                continue; // gone since the listing named it
            break;
        }
        default:
            type = TEntryType::Other;
            break;
        }
        entries.push_back(TTypedEntry{std::string(n), *type});
    }
    ::closedir(dir);
    return err == 0;
}

std::optional<TEntryType> EntryTypeAt(const TFolderHandle& folder, const std::string& name,
                                      int& err) {
    err = 0;
    return TypeByStatus(folder.Fd(), name.c_str(), err);
}

} // namespace tarnwick
