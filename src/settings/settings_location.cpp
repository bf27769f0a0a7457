#include "settings/settings_location.h"

#include "platform/folder_of.h"
#include "platform/name_codec.h"
#include "settings/uTarnwickIni.h"

#include <sys/stat.h>
#include <tarnwick/build_config.h>
#include <unistd.h>

namespace tarnwick {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Below(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool RunsWhereTheUserKeepsIt(const QString& executablePath) {
    if (executablePath.isEmpty())
        return false;
    const std::string folder = FolderOf(EncodeName(executablePath));
    if (Exists(Below(folder, TARNWICK_BUILD_TREE_MARKER)))
        return true;
    const std::string desktopEntry =
        Below(folder, TARNWICK_DATA_FROM_BIN "/applications/" TARNWICK_APP_ID ".desktop");
    if (Exists(desktopEntry))
        return false;
    // The real user's right, not the effective one's.
    return ::access(folder.c_str(), W_OK) == 0;
}

} // namespace

TSettingsLocation LocateSettings(const QString& executablePath, const TEnvironment& environment) {
    if (!RunsWhereTheUserKeepsIt(executablePath)) {
        const QString configHome = UserConfigHome(environment);
        if (!configHome.isEmpty()) {
            const QString folder = configHome + QStringLiteral("/tarnwick");
            return {folder + QStringLiteral("/tarnwick.ini"), folder};
        }
    }
    return {TTarnwickIni::SettingsPathFor(executablePath), QString()};
}

} // namespace tarnwick
