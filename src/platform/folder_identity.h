#pragma once
// A folder's identity: the device and inode its path leads to, links
// followed. Two paths name the same folder exactly when both lead to an
// existing folder of the same identity, however they are written ("/src",
// "/src/", a link to it, a bind mount of it).

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

struct TFolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const TFolderIdentity&, const TFolderIdentity&) = default;
};

// The identity of the existing folder at path (encoded); nothing when the
// path does not lead to a folder or its status cannot be read.
std::optional<TFolderIdentity> FolderIdentityOf(const std::string& path);

// The identity of the open folder fd; nothing when its status cannot be read.
std::optional<TFolderIdentity> IdentityOfFolder(int fd);

// True when both texts lead to the same existing folder.
bool SameExistingFolder(const QString& a, const QString& b);

} // namespace tarnwick
