#pragma once
// The folder walk: every folder below the source folder, depth first, each
// folder's entries in the order the file system lists them. A folder's
// entries are all read before any of them is handled, so files that the job
// writes into a folder it walks are not met again by that same listing.
// Folders whose name begins with "." are not entered. Links to folders are
// followed, but a folder that is one of its own ancestors (same device and
// inode) is not entered again.
//
// Each folder is opened relative to its parent's descriptor and its identity
// is taken from that same descriptor, so the walk works at any depth and path
// length, and the folder checked is the folder listed. Its depth is bounded by
// memory alone: the walk keeps an explicit stack, not the thread's.
//
// Open descriptors are capped: the source folder and the deepest folders on
// the current path stay open, up to kMaxOpenFolders; the descriptor of a
// folder further up is closed, and opened again when the walk climbs back to
// it (through ".." of its child, or down from the source folder by name when
// the child was reached through a link), checked against its identity. A
// folder moved or replaced in the meantime is reported and its remaining
// entries are left out.
//
// Memory: one folder's entries are kept, packed, while the walk is below it,
// so the walk's memory grows with the entries of the folders on the current
// path, not with the tree.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick {

// A folder of the walk, as it is handed over with each of its files.
struct TWalkedFolder {
    int fd;                // the folder, open while its files are handled
    std::uint64_t device;  // its identity, from fstat of fd
    std::uint64_t inode;
    const QString& path;   // the source folder's text, then "/" + name per level down
    const QString& relativeFolder; // empty, "a\", "a\b\", ...: names each followed by "\"
};

class TFolderWalkVisitor {
public:
    virtual ~TFolderWalkVisitor() = default;
    // Asked before each entry; true ends the walk there.
    virtual bool WalkStopRequested() const = 0;
    // A file of folder (a regular file, a link to one, or a dangling link),
    // in the walk's order. name ends with a NUL character that it does not
    // count, so name.data() can be handed to the system as it is.
    virtual void WalkFile(const TWalkedFolder& folder, std::string_view name) = 0;
    // A folder that could not be listed (the source folder too), with a
    // short reason. The walk goes on with the next entry.
    virtual void WalkUnlistedFolder(const QString& path, const QString& reason) = 0;
};

constexpr std::size_t kMaxOpenFolders = 64;

// Walks sourceFolder and everything below it. maxOpenFolders (at least 2)
// caps the folder descriptors the walk holds open at once.
void WalkFolders(const QString& sourceFolder, TFolderWalkVisitor& visitor,
                 std::size_t maxOpenFolders = kMaxOpenFolders);

} // namespace tarnwick
