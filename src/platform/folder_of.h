#pragma once
// The folder part of an encoded path: everything before its last "/", "/"
// for a path directly below the root, "." for a bare name.

#include <string>

namespace tarnwick {

inline std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace tarnwick
