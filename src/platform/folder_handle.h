#pragma once
// An open folder, and what can be done relative to it: open a subfolder by
// name, read the folder's identity, list its entries with their kinds, look
// one name up. Working through the open folder keeps every path short and
// pins the folder itself, whatever happens to the texts that led to it.

#include "folder_identity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

class TFolderHandle {
public:
    TFolderHandle() = default;
    explicit TFolderHandle(int fd) : FFd(fd) {}
    TFolderHandle(TFolderHandle&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    TFolderHandle& operator=(TFolderHandle&& other) noexcept;
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;
    ~TFolderHandle();

    bool IsOpen() const { return FFd >= 0; }
    int Fd() const { return FFd; }

private:
    int FFd = -1;
};

// Opens the folder at path (links followed); err gets errno on failure. The
// handle needs no right to read the folder: listing it does.
TFolderHandle OpenFolder(const std::string& path, int& err);
// Opens the subfolder name of parent (a link to a folder is followed).
TFolderHandle OpenFolderAt(const TFolderHandle& parent, const std::string& name, int& err);

std::optional<TFolderIdentity> IdentityOf(const TFolderHandle& folder);

// What stands at a name, links followed: a folder (or a link to one); a
// file (a regular file, a link to one, a dangling link); anything else
// (FIFO, socket, device node). Each of the last two is replaced by a rename
// over the name, a folder is not.
enum class TEntryType : std::uint8_t { Folder, File, Other };

struct TTypedEntry {
    std::string name;
    TEntryType type;
};

// Every entry of folder but "." and "..", in the file system's order.
// Returns false (err set) when the listing cannot be read at all; a read
// error in the middle keeps what was read and also returns false.
bool ListEntries(const TFolderHandle& folder, std::vector<TTypedEntry>& entries, int& err);

// What stands at name in folder now; nothing when no entry has that name
// (err set to the reason, ENOENT for none).
std::optional<TEntryType> EntryTypeAt(const TFolderHandle& folder, const std::string& name,
                                      int& err);

} // namespace tarnwick
