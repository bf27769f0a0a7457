#include "directory_test.h"

#include "platform/folder_listing.h"
#include "platform/name_codec.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace tarnwick {

bool IsDirectory(const QString& path) {
    if (path.isEmpty())
        return false;
    const std::string bytes = EncodeName(path);
    struct stat st{};
    int err = 0;
    if (bytes.size() < PATH_MAX) {
        if (::stat(bytes.c_str(), &st) != 0)
            err = errno;
    } else {
        // Longer than the system takes in one piece: the last part relative
        // to its folder, opened a part at a time.
        TUniqueFd parent;
        std::string name;
        err = OpenParentByParts(bytes, parent, name);
        if (err == 0 && ::fstatat(parent.Get(), name.c_str(), &st, 0) != 0)
            err = errno;
    }
    if (err != 0)
        return err == EACCES;
    return S_ISDIR(st.st_mode);
}

} // namespace tarnwick
