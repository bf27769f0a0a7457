#include "directory_test.h"

#include "name_codec.h"

#include <cerrno>
#include <sys/stat.h>

namespace tarnwick {

DirectoryProbe ProbeDirectory(const std::string& path) {
    DirectoryProbe probe;
    if (path.empty())
        return probe;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        probe.isDirectory = (errno == EACCES);
        return probe;
    }
    probe.known = true;
    probe.isDirectory = S_ISDIR(st.st_mode);
    probe.device = st.st_dev;
    probe.inode = st.st_ino;
    return probe;
}

bool IsDirectory(const QString& path) {
    return ProbeDirectory(EncodeName(path)).isDirectory;
}

} // namespace tarnwick
