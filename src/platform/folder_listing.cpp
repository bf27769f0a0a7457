#include "folder_listing.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The kind a status stands for; false for entries that are passed over.
bool KindOfMode(mode_t mode, TEntryKind& kind) {
    if (S_ISDIR(mode))
        kind = TEntryKind::Folder;
    else if (S_ISREG(mode))
        kind = TEntryKind::File;
    else
        return false;
    return true;
}

// Kind of an entry whose type the listing did not tell, or that is a link.
// Returns false for entries that are passed over.
bool KindByStatus(int dirFd, const char* name, bool isLink, TEntryKind& kind) {
    struct stat st{};
    if (!isLink) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (!S_ISLNK(st.st_mode))
            return KindOfMode(st.st_mode, kind);
    }
    if (::fstatat(dirFd, name, &st, 0) != 0) {
        kind = TEntryKind::File; // a dangling link stands as a file
        return true;
    }
    return KindOfMode(st.st_mode, kind);
}

} // namespace

int OpenParentByParts(const std::string& path, TUniqueFd& parent, std::string& name) {
    // Every part but the last is opened only as a place to look up names in
    // (no right to read it needed, as for the whole path in one piece).
    parent.Reset(::open(!path.empty() && path[0] == '/' ? "/" : ".",
                        O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.IsOpen())
        return errno;
    const size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) { // "/" (or nothing): the root itself
        name.assign(1, '.');
        return path.empty() ? ENOENT : 0;
    }
    size_t start = 0;
    for (;;) {
        while (path[start] == '/')
            ++start;
        size_t slash = path.find('/', start);
        if (slash == std::string::npos || slash > end)
            slash = end + 1;
        name = path.substr(start, slash - start);
        if (name.size() > NAME_MAX)
            return ENAMETOOLONG;
        if (slash == end + 1)
            return 0;
        TUniqueFd next(::openat(parent.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.IsOpen())
            return errno;
        parent = std::move(next);
        start = slash + 1;
    }
}


int OpenFolderAt(int dirFd, const char* name, TUniqueFd& folder) {
    folder.Reset(::openat(dirFd, name, kFolderFlags));
    return folder.IsOpen() ? 0 : errno;
}

int OpenFolder(const std::string& path, TUniqueFd& folder) {
    folder.Reset();
    if (path.empty())
        return ENOENT;
    if (path.size() < PATH_MAX) {
        folder.Reset(::open(path.c_str(), kFolderFlags));
        if (folder.IsOpen())
            return 0;
        if (errno != ENAMETOOLONG)
            return errno;
    }
    TUniqueFd parent;
    std::string name;
    if (const int err = OpenParentByParts(path, parent, name))
        return err;
    return OpenFolderAt(parent.Get(), name.c_str(), folder);
}

int ListFolder(int dirFd, const std::function<void(std::string_view, TEntryKind)>& take) {
    // Read straight from the folder's descriptor, which stays open for
    // opening entries afterwards, from its first entry.
    if (::lseek(dirFd, 0, SEEK_SET) < 0)
        return errno;
    constexpr size_t kBuffer = 32768;
    const std::unique_ptr<char[]> buffer(new char[kBuffer]);
    for (;;) {
        const ssize_t got = ::getdents64(dirFd, buffer.get(), kBuffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const dirent64*>(buffer.get() + at);
            at += e->d_reclen;
            TEntryKind kind;
            switch (e->d_type) {
            case DT_DIR:
                kind = TEntryKind::Folder;
                break;
            case DT_REG:
                kind = TEntryKind::File;
                break;
            case DT_LNK:
                if (!KindByStatus(dirFd, e->d_name, true, kind))
                    continue;
                break;
            case DT_UNKNOWN:
                if (!KindByStatus(dirFd, e->d_name, false, kind))
                    continue;
                break;
            default: // FIFO, socket, character or block device
                continue;
            }
            take(std::string_view(e->d_name), kind);
        }
    }
}

} // namespace tarnwick
