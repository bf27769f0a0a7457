#pragma once
// The user's configuration folder by the XDG base directory rules:
// $XDG_CONFIG_HOME when it is an absolute path (a relative or empty one is
// ignored, as the rules say), else $HOME/.config, else .config in the home
// folder that the user database gives the real user.

#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace tarnwick {

// Looks up one environment variable: its bytes, or nothing when it is unset.
using TEnvironment = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment.
std::optional<std::string> ProcessEnvironment(const char* name);

// The configuration folder, without a trailing "/"; empty when neither the
// environment nor the user database names an absolute folder.
QString UserConfigHome(const TEnvironment& environment);

// Makes folder and each missing folder above it with permission bits 0700,
// as the rules ask; folders that exist are left as they are. True when
// folder is a folder afterwards.
bool MakePrivateFolder(const QString& folder);

} // namespace tarnwick
