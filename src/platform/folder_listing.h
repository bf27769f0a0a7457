#pragma once
// One pass over a folder's entries, in the order the file system gives them.
// A directory or a link to one is a folder; a regular file, a link to one or
// a dangling link is a file; FIFOs, sockets and device nodes are passed over
// and never opened. "." and ".." are delivered as folders like any other
// name beginning with a dot; the caller decides what to skip.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

enum class EntryKind : std::uint8_t { Folder, File };

struct FolderEntry {
    std::string name; // bytes as the file system stores them
    EntryKind kind;
};

// Reads every entry of the folder at path into entries (cleared first).
// Returns false when the folder cannot be opened; a read error in the middle
// keeps the entries delivered so far and returns true.
bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries);

} // namespace tarnwick
