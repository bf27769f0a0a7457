#pragma once
// The two parts of an encoded path: the folder (everything before its last
// "/", "/" for a path directly below the root, "." for a bare name) and the
// name (everything after its last "/").

#include <string>

namespace tarnwick {

inline std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

inline std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace tarnwick
