#include "folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

// The kind a status stands for; false for entries that are passed over.
bool KindOfMode(mode_t mode, EntryKind& kind) {
    if (S_ISDIR(mode))
        kind = EntryKind::Folder;
    else if (S_ISREG(mode))
        kind = EntryKind::File;
    else
        return false;
    return true;
}

// Kind of an entry whose type the listing did not tell, or that is a link.
// Returns false for entries that are passed over.
bool KindByStatus(int dirFd, const char* name, bool isLink, EntryKind& kind) {
    struct stat st{};
    if (!isLink) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (!S_ISLNK(st.st_mode))
            return KindOfMode(st.st_mode, kind);
    }
    if (::fstatat(dirFd, name, &st, 0) != 0) {
        kind = EntryKind::File; // a dangling link stands as a file
        return true;
    }
    return KindOfMode(st.st_mode, kind);
}

} // namespace

bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    entries.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* e = ::readdir(dir)) {
        EntryKind kind;
        switch (e->d_type) {
        case DT_DIR:
            kind = EntryKind::Folder;
            break;
        case DT_REG:
            kind = EntryKind::File;
            break;
        case DT_LNK:
            if (!KindByStatus(fd, e->d_name, true, kind))
                continue;
            break;
        case DT_UNKNOWN:
            if (!KindByStatus(fd, e->d_name, false, kind))
                continue;
            break;
        default: // FIFO, socket, character or block device
            continue;
        }
        entries.push_back(FolderEntry{std::string(e->d_name), kind});
    }
    ::closedir(dir);
    return true;
}

} // namespace tarnwick
