#include "folder_identity.h"

#include "name_codec.h"

#include <sys/stat.h>

namespace tarnwick {

std::optional<TFolderIdentity> FolderIdentityOf(const std::string& path) {
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return TFolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                           static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<TFolderIdentity> IdentityOfFolder(int fd) {
    struct stat st{};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return TFolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                           static_cast<std::uint64_t>(st.st_ino)};
}

bool SameExistingFolder(const QString& a, const QString& b) {
    const std::optional<TFolderIdentity> first = FolderIdentityOf(EncodeName(a));
    if (!first)
        return false;
    const std::optional<TFolderIdentity> second = FolderIdentityOf(EncodeName(b));
    return second && *first == *second;
}

} // namespace tarnwick
