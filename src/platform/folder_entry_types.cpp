#include "folder_entry_types.h"

#include "platform/folder_listing.h"

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

int OpenFolderToFill(const std::string& path, TUniqueFd& folder) {
    const int err = OpenFolder(path, folder);
    if (err != EACCES)
        return err;
    folder.Reset(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() ? 0 : errno;
}

int ListEntryTypes(int dirFd, std::vector<TTypedEntry>& entries) {
    entries.clear();
    // A reading of its own (the folder may be open only as a place).
    TUniqueFd reading(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!reading.IsOpen())
        return errno;
    DIR* dir = ::fdopendir(reading.Get());
    if (!dir)
        return errno;
    const int fd = reading.Release(); // the listing owns it now
    int err = 0;
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
    return err;
}

std::optional<TEntryType> EntryTypeAt(int dirFd, const std::string& name, int& err) {
    err = 0;
    return TypeByStatus(dirFd, name.c_str(), err);
}

} // namespace tarnwick
