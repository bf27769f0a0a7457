// Where the settings file lies: beside a copy in a build tree or in a folder
// the user may write, in the user's config folder for an installed copy and
// for one in a folder the user cannot write; the config folder by the XDG
// rules, and how it is made.

#include "platform/name_codec.h"
#include "platform/user_config.h"
#include "settings/settings_location.h"
#include "settings/uTarnwickIni.h"
#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tarnwick/build_config.h>
#include <unistd.h>

using settings_test::TempFolder;
using settings_test::WriteBytes;

namespace {

using TVariables = std::map<std::string, std::string>;

tarnwick::TEnvironment EnvironmentOf(const TVariables& variables) {
    return [variables](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

std::string UserDatabaseHome() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

int ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(tarnwick::EncodeName(path).c_str(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

TEST(UserConfigHome, FollowsTheXdgRules) {
    const std::string database = UserDatabaseHome();
    ASSERT_FALSE(database.empty());
    const std::string fromDatabase = (database == "/" ? "" : database) + "/.config";
    const struct {
        TVariables variables;
        std::string expected;
    } cases[] = {
        {{{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/h"}}, "/cfg"},
        {{{"XDG_CONFIG_HOME", "/cfg//"}}, "/cfg"},
        {{{"XDG_CONFIG_HOME", "/"}}, "/"},
        {{{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/h"}}, "/h/.config"},   // relative: ignored
        {{{"XDG_CONFIG_HOME", "./cfg"}, {"HOME", "/h"}}, "/h/.config"}, // relative: ignored
        {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/h"}}, "/h/.config"},      // empty: ignored
        {{{"HOME", "/h/"}}, "/h/.config"},
        {{{"HOME", "/"}}, "/.config"},
        {{{"HOME", "h"}}, fromDatabase},
        {{{"HOME", ""}}, fromDatabase},
        {{}, fromDatabase},
        {{{"XDG_CONFIG_HOME", "/caf\xe9/\xff"}}, "/caf\xe9/\xff"}, // bytes as they are
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& [name, value] : c.variables)
            shown += name + "=" + value + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(tarnwick::EncodeName(tarnwick::UserConfigHome(EnvironmentOf(c.variables))),
                  c.expected);
    }
}

TEST(MakePrivateFolder, MakesWhatIsMissingWith0700AndLeavesTheRest) {
    TempFolder dir;
    ASSERT_TRUE(dir.valid());
    ASSERT_EQ(::mkdir(tarnwick::EncodeName(dir.file("shared")).c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tarnwick::EncodeName(dir.file("shared")).c_str(), 0755), 0);
    const QString folder = dir.file("shared/.config/tarnwick");
    EXPECT_TRUE(tarnwick::MakePrivateFolder(folder));
    EXPECT_EQ(ModeOf(dir.file("shared")), 0755);
    EXPECT_EQ(ModeOf(dir.file("shared/.config")), 0700);
    EXPECT_EQ(ModeOf(folder), 0700);
    EXPECT_TRUE(tarnwick::MakePrivateFolder(folder)) << "a folder that is there is fine";

    WriteBytes(dir.file("plain"), "a file");
    EXPECT_FALSE(tarnwick::MakePrivateFolder(dir.file("plain")));
    EXPECT_FALSE(tarnwick::MakePrivateFolder(dir.file("plain/below")));
    EXPECT_FALSE(tarnwick::MakePrivateFolder(QString()));
}

// A copy of the program at relative inside dir, with the files around it
// that tell its kind.
QString PlaceCopy(const TempFolder& dir, const std::string& relative) {
    const QString path = dir.file(QString::fromStdString(relative));
    const std::string bytes = tarnwick::EncodeName(path);
    const std::string folder = bytes.substr(0, bytes.rfind('/'));
    std::string command = "mkdir -p '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    WriteBytes(path, "\x7f"
                     "ELF");
    return path;
}

void PlaceBuildTreeMarker(const TempFolder& dir, const std::string& folder) {
    WriteBytes(dir.file(QString::fromStdString(folder + "/" TARNWICK_BUILD_TREE_MARKER)), "");
}

void PlaceDesktopEntry(const TempFolder& dir, const std::string& prefix) {
    const std::string folder = prefix + "/share/applications";
    const std::string command =
        "mkdir -p '" + tarnwick::EncodeName(dir.file(QString::fromStdString(folder))) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    WriteBytes(dir.file(QString::fromStdString(folder + "/" TARNWICK_APP_ID ".desktop")),
               "[Desktop Entry]\n");
}

const TVariables kUser = {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/home/ann/.cfg"}};

TEST(SettingsLocation, BuildTreeCopyKeepsItsFileBesideItself) {
    TempFolder dir;
    const QString exe = PlaceCopy(dir, "build/src/ui/tarnwick");
    PlaceBuildTreeMarker(dir, "build/src/ui");
    const tarnwick::TSettingsLocation at = tarnwick::LocateSettings(exe, EnvironmentOf(kUser));
    EXPECT_EQ(at.filePath, dir.file("build/src/ui/tarnwick.ini"));
    EXPECT_EQ(at.filePath, TTarnwickIni::SettingsPathFor(exe));
    EXPECT_TRUE(at.privateFolder.isEmpty());
}

TEST(SettingsLocation, CopyInAFolderTheUserMayWriteKeepsItsFileBesideItself) {
    TempFolder dir;
    for (const char* relative :
         {"tools/tarnwick", "my.tools/tarnwick", "caf\xc3\xa9/tarnwick.bin"}) {
        SCOPED_TRACE(relative);
        const QString exe = PlaceCopy(dir, relative);
        ASSERT_EQ(::access(tarnwick::EncodeName(exe).c_str(), W_OK), 0);
        const tarnwick::TSettingsLocation at = tarnwick::LocateSettings(exe, EnvironmentOf(kUser));
        EXPECT_EQ(at.filePath, TTarnwickIni::SettingsPathFor(exe));
        EXPECT_TRUE(at.privateFolder.isEmpty());
    }
}

TEST(SettingsLocation, InstalledCopyUsesTheUsersConfigFolderEvenWhereItMayWrite) {
    TempFolder dir;
    for (const char* prefix : {"usr", "usr/local", "home/ann/.local"}) {
        SCOPED_TRACE(prefix);
        const QString exe = PlaceCopy(dir, std::string(prefix) + "/bin/tarnwick");
        PlaceDesktopEntry(dir, prefix);
        // Root may write /usr/bin; the installed copy still keeps out of it.
        ASSERT_EQ(::access(tarnwick::EncodeName(dir.file(QString(prefix) + "/bin")).c_str(), W_OK),
                  0);
        tarnwick::TSettingsLocation at = tarnwick::LocateSettings(exe, EnvironmentOf(kUser));
        EXPECT_EQ(at.filePath, "/home/ann/.cfg/tarnwick/tarnwick.ini");
        EXPECT_EQ(at.privateFolder, "/home/ann/.cfg/tarnwick");

        at = tarnwick::LocateSettings(exe, EnvironmentOf({{"HOME", "/home/bob"}}));
        EXPECT_EQ(at.filePath, "/home/bob/.config/tarnwick/tarnwick.ini");
        EXPECT_EQ(at.privateFolder, "/home/bob/.config/tarnwick");
    }
}

TEST(SettingsLocation, UnknownExecutableUsesTheUsersConfigFolder) {
    const tarnwick::TSettingsLocation at =
        tarnwick::LocateSettings(QString(), EnvironmentOf({{"HOME", "/home/bob"}}));
    EXPECT_EQ(at.filePath, "/home/bob/.config/tarnwick/tarnwick.ini");
}

// The settings file that LocateSettings gives to an ordinary user (uid and
// gid 65534) for exe, worked out in a child process that has become that user.
std::string LocateAsOrdinaryUser(const QString& exe, const TVariables& variables) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        const std::string path =
            tarnwick::EncodeName(tarnwick::LocateSettings(exe, EnvironmentOf(variables)).filePath);
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], path.data(), path.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed";
    return result;
}

TEST(SettingsLocation, OrdinaryUserOfACopyInAFolderTheyCannotWrite) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become an ordinary user";
    TempFolder dir;
    ASSERT_EQ(::chmod(tarnwick::EncodeName(dir.path()).c_str(), 0755), 0);
    const QString handCopied = PlaceCopy(dir, "opt/bin/tarnwick"); // root's, 0755
    const QString buildTree = PlaceCopy(dir, "build/src/ui/tarnwick");
    PlaceBuildTreeMarker(dir, "build/src/ui");
    const QString own = PlaceCopy(dir, "mine/tarnwick");
    ASSERT_EQ(::chown(tarnwick::EncodeName(dir.file("mine")).c_str(), 65534, 65534), 0);

    const TVariables nobody = {{"HOME", "/nonexistent"}};
    EXPECT_EQ(LocateAsOrdinaryUser(handCopied, nobody),
              "/nonexistent/.config/tarnwick/tarnwick.ini");
    // A build tree keeps its file beside the program for every user, as before.
    EXPECT_EQ(LocateAsOrdinaryUser(buildTree, nobody),
              tarnwick::EncodeName(dir.file("build/src/ui/tarnwick.ini")));
    EXPECT_EQ(LocateAsOrdinaryUser(own, nobody),
              tarnwick::EncodeName(dir.file("mine/tarnwick.ini")));
}

} // namespace
