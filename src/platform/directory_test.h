#pragma once
// Whether a path names an existing directory, links followed. An empty path
// is no; a path whose status is refused for lack of access counts as yes (the
// listing then decides whether anything is found); any other failure is no.
// A path longer than the system takes in one piece is followed a part at a
// time, so a folder at any depth is a folder.

#include <QString>

namespace tarnwick {

bool IsDirectory(const QString& path);

} // namespace tarnwick
