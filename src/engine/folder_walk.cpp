#include "folder_walk.h"

#include "platform/error_text.h"
#include "platform/folder_listing.h"
#include "platform/name_codec.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

namespace tarnwick {

namespace {

struct TFolderId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const TFolderId&) const = default;
};

struct TFolderIdHash {
    std::size_t operator()(const TFolderId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

bool IdentityOf(int fd, TFolderId& id) {
    struct stat st{};
    if (::fstat(fd, &st) != 0)
        return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

// One folder's entries not yet handled, packed: for each a kind byte, the
// name and a NUL character.
class TEntryList {
public:
    void Add(std::string_view name, TEntryKind kind) {
        FBytes.push_back(static_cast<char>(kind));
        FBytes.append(name);
        FBytes.push_back('\0');
    }
    bool Next(std::string_view& name, TEntryKind& kind) {
        if (FiNext >= FBytes.size())
            return false;
        kind = static_cast<TEntryKind>(FBytes[FiNext]);
        const char* start = FBytes.data() + FiNext + 1;
        name = std::string_view(start);
        FiNext += name.size() + 2;
        return true;
    }
    bool Done() const { return FiNext >= FBytes.size(); }
    void Drop() {
        FBytes = std::string();
        FiNext = 0;
    }

private:
    std::string FBytes;
    std::size_t FiNext = 0;
};

struct TFrame {
    TUniqueFd fd;       // closed while the folder is far above the walk
    TFolderId id;
    std::string name;   // its name in its parent; empty for the source folder
    qsizetype pathEnd = 0; // length of the path text up to and with this folder
    qsizetype relEnd = 0;  // length of the relative folder, the same way
    TEntryList entries;
};

class TWalker {
public:
    TWalker(TFolderWalkVisitor& visitor, std::size_t maxOpen)
        : FVisitor(visitor), FiMaxOpen(std::max<std::size_t>(maxOpen, 2)) {}

    void Run(const QString& sourceFolder);

private:
    void Descend(std::string_view name);
    bool Push(TUniqueFd fd, std::string_view name);
    void Pop();
    void Reopen(std::size_t k, int childFd);
    void CapOpenFolders();

    TFolderWalkVisitor& FVisitor;
    const std::size_t FiMaxOpen;
    std::deque<TFrame> FStack; // a deque: frames never move while the walk is in them
    std::unordered_set<TFolderId, TFolderIdHash> FOnPath;
    QString FPath;
    QString FRel;
    // Frames 1 .. FiFirstOpen - 1 have their descriptors closed; the source
    // folder (frame 0) and every frame from FiFirstOpen on are open.
    std::size_t FiFirstOpen = 1;
};

void TWalker::Run(const QString& sourceFolder) {
    TUniqueFd root;
    if (const int err = OpenFolder(EncodeName(sourceFolder), root)) {
        FVisitor.WalkUnlistedFolder(sourceFolder, ErrorText(err));
        return;
    }
    FPath = sourceFolder;
    FRel.clear();
    if (!Push(std::move(root), std::string_view()))
        return;
    while (!FStack.empty()) {
        if (FVisitor.WalkStopRequested())
            return;
        TFrame& top = FStack.back();
        std::string_view name;
        TEntryKind kind;
        if (!top.entries.Next(name, kind)) {
            Pop();
            continue;
        }
        if (kind == TEntryKind::Folder)
            Descend(name);
        else
            FVisitor.WalkFile(TWalkedFolder{top.fd.Get(), top.id.device, top.id.inode, FPath, FRel},
                              name);
    }
}

void TWalker::Descend(std::string_view name) {
    const qsizetype pathEnd = FPath.size();
    const qsizetype relEnd = FRel.size();
    const QString text = DecodeName(name);
    FPath.append(u'/').append(text);
    TUniqueFd fd;
    if (const int err = OpenFolderAt(FStack.back().fd.Get(), name.data(), fd)) {
        FVisitor.WalkUnlistedFolder(FPath, ErrorText(err));
        FPath.truncate(pathEnd);
        return;
    }
    FRel.append(text).append(u'\\');
    if (!Push(std::move(fd), name)) {
        FPath.truncate(pathEnd);
        FRel.truncate(relEnd);
    }
}

bool TWalker::Push(TUniqueFd fd, std::string_view name) {
    TFolderId id;
    if (!IdentityOf(fd.Get(), id)) {
        FVisitor.WalkUnlistedFolder(FPath, ErrorText(errno));
        return false;
    }
    if (!FOnPath.insert(id).second)
        return false; // one of its own ancestors, reached through a link
    TFrame& frame = FStack.emplace_back();
    frame.id = id;
    frame.name = name;
    frame.pathEnd = FPath.size();
    frame.relEnd = FRel.size();
    const int err = ListFolder(fd.Get(), [&frame](std::string_view entry, TEntryKind kind) {
        if (kind == TEntryKind::Folder && entry.front() == '.')
            return; // ".", ".." and every other folder whose name begins with a dot
        frame.entries.Add(entry, kind);
    });
    frame.fd = std::move(fd);
    if (err != 0)
        FVisitor.WalkUnlistedFolder(FPath, FailureText("reading its entries failed", err));
    CapOpenFolders();
    return true;
}

void TWalker::CapOpenFolders() {
    const std::size_t top = FStack.size() - 1;
    while (top >= FiFirstOpen && 1 + (top - FiFirstOpen + 1) > FiMaxOpen)
        FStack[FiFirstOpen++].fd.Reset();
}

void TWalker::Pop() {
    FOnPath.erase(FStack.back().id);
    const TUniqueFd child = std::move(FStack.back().fd);
    FStack.pop_back();
    if (FStack.empty())
        return;
    const std::size_t k = FStack.size() - 1;
    FPath.truncate(FStack[k].pathEnd);
    FRel.truncate(FStack[k].relEnd);
    if (k >= 1 && k < FiFirstOpen) {
        FiFirstOpen = k;
        Reopen(k, child.Get());
    }
}

void TWalker::Reopen(std::size_t k, int childFd) {
    TFrame& frame = FStack[k];
    TFolderId id;
    if (childFd >= 0) {
        TUniqueFd up;
        if (OpenFolderAt(childFd, "..", up) == 0 && IdentityOf(up.Get(), id) && id == frame.id) {
            frame.fd = std::move(up);
            return;
        }
    }
    if (frame.entries.Done())
        return; // nothing more to open in it: it is left at once
    // Reached through a link (or moved): down from the source folder by name.
    TUniqueFd at;
    for (std::size_t i = 1; i <= k; ++i) {
        TUniqueFd next;
        const int parent = i == 1 ? FStack[0].fd.Get() : at.Get();
        const int err = OpenFolderAt(parent, FStack[i].name.c_str(), next);
        if (err != 0 || !IdentityOf(next.Get(), id) || id != FStack[i].id) {
            FVisitor.WalkUnlistedFolder(
                FPath.left(FStack[i].pathEnd),
                err != 0 ? FailureText("it could not be opened again", err)
                         : QStringLiteral("it was moved or replaced while the walk was in it"));
            for (std::size_t j = i; j <= k; ++j)
                FStack[j].entries.Drop();
            return;
        }
        at = std::move(next);
    }
    frame.fd = std::move(at);
}

} // namespace

void WalkFolders(const QString& sourceFolder, TFolderWalkVisitor& visitor,
                 std::size_t maxOpenFolders) {
    TWalker(visitor, maxOpenFolders).Run(sourceFolder);
}

} // namespace tarnwick
