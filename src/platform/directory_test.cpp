#include "directory_test.h"

#include "name_codec.h"

#include <cerrno>
#include <sys/stat.h>

namespace tarnwick {

bool IsDirectory(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat st{};
    if (::stat(EncodeName(path).c_str(), &st) != 0)
        return errno == EACCES;
    return S_ISDIR(st.st_mode);
}

} // namespace tarnwick
