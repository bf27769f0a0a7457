#pragma once
// Folders opened as descriptors and read in one pass. A folder is opened
// relative to an open folder by name, so no path handed to the system is
// longer than one name, whatever the depth.
//
// Entry kinds: a directory or a link to one is a folder; a regular file, a
// link to one or a dangling link is a file; FIFOs, sockets and device nodes
// are passed over and never opened. "." and ".." are delivered as folders
// like any other name beginning with a dot; the caller decides what to skip.

#include "platform/unique_fd.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnwick {

enum class TEntryKind : std::uint8_t { Folder, File };

// Opens the folder at path (links followed) for reading its entries and for
// opening what it holds. A path longer than the system takes in one piece is
// opened a part at a time. Returns 0, or the errno value of the failure
// (ENOTDIR when something other than a folder stands there).
int OpenFolder(const std::string& path, TUniqueFd& folder);

// For a path of any length: opens the folder that holds its last part, a
// part at a time, for looking up names only (O_PATH), and sets name to that
// last part ("." for the root). Returns 0 or the errno value.
int OpenParentByParts(const std::string& path, TUniqueFd& parent, std::string& name);

// Opens the folder called name inside the open folder dirFd, links followed.
int OpenFolderAt(int dirFd, const char* name, TUniqueFd& folder);

// Reads every entry of the open folder dirFd in the order the file system
// gives them and hands each to take. Returns 0, or the errno value of a read
// that failed on the way (the entries handed over until then stand). dirFd
// stays open and can be read again.
int ListFolder(int dirFd, const std::function<void(std::string_view, TEntryKind)>& take);

} // namespace tarnwick
