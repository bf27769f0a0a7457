#pragma once
// The full path of the running executable, from /proc/self/exe.

#include <QString>

namespace tarnwick {

QString ExecutablePath();

} // namespace tarnwick
