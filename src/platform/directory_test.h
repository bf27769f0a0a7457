#pragma once
// Whether a path names an existing directory, links followed. An empty path
// is no; a path whose status is refused for lack of access counts as yes (the
// listing then decides whether anything is found); any other failure is no.

#include <QString>
#include <string>
#include <sys/types.h>

namespace tarnwick {

bool IsDirectory(const QString& path);

// The same test on an encoded path, together with the directory's identity
// when its status could be read (known is false for the access-denied yes).
struct DirectoryProbe {
    bool isDirectory = false;
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
};
DirectoryProbe ProbeDirectory(const std::string& path);

} // namespace tarnwick
