#pragma once
// What stands at the names of a folder, as a rename over one of them would
// meet it: a folder (or a link to one), which a rename does not replace; a
// file (a regular file, a link to one, a dangling link); or anything else
// (FIFO, socket, device node). A rename replaces each of the last two. The
// walk passes over the last kind; a folder that the job fills must not.

#include "platform/unique_fd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

enum class TEntryType : std::uint8_t { Folder, File, Other };

struct TTypedEntry {
    std::string name;
    TEntryType type;
};

// Opens the folder at path (links followed) that a job fills with copies:
// for reading its entries when that is allowed, otherwise only as a place
// to make files in (a folder one may write in but not read). Returns 0 or
// the errno value.
int OpenFolderToFill(const std::string& path, TUniqueFd& folder);

// Every entry of the open folder dirFd but "." and "..", in the file
// system's order. Returns 0, or the errno value when the folder cannot be
// read (entries is then empty) or a read failed on the way (the entries
// read until then stand).
int ListEntryTypes(int dirFd, std::vector<TTypedEntry>& entries);

// What stands at name in the open folder dirFd now; nothing when no entry
// has that name (err tells why: ENOENT for none).
std::optional<TEntryType> EntryTypeAt(int dirFd, const std::string& name, int& err);

} // namespace tarnwick
