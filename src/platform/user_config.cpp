#include "platform/user_config.h"

#include "platform/name_codec.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

// An absolute folder without its trailing "/" (the root stays "/").
std::optional<std::string> AbsoluteFolder(std::optional<std::string> path) {
    if (!path || path->empty() || path->front() != '/')
        return std::nullopt;
    while (path->size() > 1 && path->back() == '/')
        path->pop_back();
    return path;
}

std::string Below(const std::string& folder, const char* name) {
    std::string below = folder == "/" ? std::string() : folder;
    below += '/';
    below += name;
    return below;
}

std::optional<std::string> HomeFromUserDatabase() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (found == nullptr || found->pw_dir == nullptr)
        return std::nullopt;
    return std::string(found->pw_dir);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

QString UserConfigHome(const TEnvironment& environment) {
    if (const auto configHome = AbsoluteFolder(environment("XDG_CONFIG_HOME")))
        return DecodeName(*configHome);
    auto home = AbsoluteFolder(environment("HOME"));
    if (!home)
        home = AbsoluteFolder(HomeFromUserDatabase());
    if (!home)
        return QString();
    return DecodeName(Below(*home, ".config"));
}

bool MakePrivateFolder(const QString& folder) {
    const std::string path = EncodeName(folder);
    if (path.empty())
        return false;
    // Each folder on the way down, made where it is missing.
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return IsFolder(path);
}

} // namespace tarnwick
