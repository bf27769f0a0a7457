// The program as "cmake --install" puts it (into a private DESTDIR), started
// with its own HOME: its settings go to each user's config folder, never
// beside the installed executable.

#include "fixture_tree.h"
#include "ui_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TInstall {
    TFixtureTree tree;
    QString program;

    // Installs the build into tree/root with the prefix /usr.
    bool Install() {
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", tree.PathText("root"));
        install.setProcessEnvironment(env);
        install.start(QStringLiteral(TARNWICK_CMAKE),
                      {"--install", QStringLiteral(TARNWICK_BUILD_DIR), "--prefix", "/usr"});
        if (!install.waitForFinished(120000) || install.exitCode() != 0) {
            ADD_FAILURE() << install.readAllStandardError().toStdString();
            return false;
        }
        program = tree.PathText("root/usr/bin/tarnwick");
        // Others must reach into the tree for the ordinary user's run.
        ::chmod(tree.Root().c_str(), 0755);
        return QFileInfo(program).isExecutable();
    }

    // A home and a runtime folder of the user's own.
    QProcessEnvironment UserEnvironment(const std::string& name, uid_t uid) const {
        tree.Dir(name + "/home");
        tree.Dir(name + "/runtime");
        for (const char* folder : {"", "/home", "/runtime"}) {
            const std::string path = tree.Path(name + folder);
            [[maybe_unused]] const int owned = ::chown(path.c_str(), uid, uid);
        }
        ::chmod(tree.Path(name + "/runtime").c_str(), 0700);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_CONFIG_HOME");
        env.insert("HOME", tree.PathText(name + "/home"));
        env.insert("XDG_RUNTIME_DIR", tree.PathText(name + "/runtime"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    // Runs the installed window until its settings file appears, then asks
    // it to end; prefix runs it as another user.
    void RunUntilStored(const QProcessEnvironment& env, const QString& settings,
                        const QStringList& prefix = {}) const {
        QProcess p;
        p.setProcessEnvironment(env);
        if (prefix.isEmpty()) {
            p.start(program, {});
        } else {
            p.start(prefix.front(), prefix.mid(1) + QStringList{program});
        }
        ASSERT_TRUE(p.waitForStarted());
        EXPECT_TRUE(SpinUntil([&] { return QFileInfo::exists(settings); }, 20000))
            << p.readAllStandardError().toStdString();
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
};

struct stat StatOf(const QString& path) {
    struct stat st {};
    if (::stat(path.toUtf8().constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

QStringList BinFolder(const TInstall& install) {
    return QDir(install.tree.PathText("root/usr/bin"))
        .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

TEST(InstalledProgram, KeepsEachUsersSettingsInTheirOwnConfigFolder) {
    TInstall install;
    ASSERT_TRUE(install.Install());
    EXPECT_EQ(BinFolder(install), (QStringList{"tarnwick", "tarnwick-cli"}));

    // Root, who may write the installed bin folder, keeps out of it too.
    const QProcessEnvironment rootEnv = install.UserEnvironment("root-user", 0);
    const QString rootConfig = install.tree.PathText("root-user/home/.config");
    const QString rootIni = rootConfig + "/tarnwick/tarnwick.ini";
    install.RunUntilStored(rootEnv, rootIni);
    EXPECT_EQ(BinFolder(install), (QStringList{"tarnwick", "tarnwick-cli"}));
    auto stored = ReadRootSection(rootIni);
    EXPECT_EQ(stored["WIDTH"], "600");
    EXPECT_EQ(stored["COPY_TYPE_COMBOBOX"], "0");
    EXPECT_EQ(StatOf(rootConfig).st_mode & 07777, 0700u);
    EXPECT_EQ(StatOf(rootConfig + "/tarnwick").st_mode & 07777, 0700u);

    // An absolute XDG_CONFIG_HOME is used as it is.
    QProcessEnvironment xdgEnv = rootEnv;
    xdgEnv.insert("XDG_CONFIG_HOME", install.tree.PathText("root-user/xdg"));
    install.RunUntilStored(xdgEnv, install.tree.PathText("root-user/xdg/tarnwick/tarnwick.ini"));

    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root to run the program as an ordinary user";
    // An ordinary user has their own; a relative XDG_CONFIG_HOME is ignored.
    const std::string rootBytes = TFixtureTree::Read(rootIni.toStdString());
    QProcessEnvironment userEnv = install.UserEnvironment("nobody", 65534);
    userEnv.insert("XDG_CONFIG_HOME", "relative/config");
    const QString userIni = install.tree.PathText("nobody/home/.config/tarnwick/tarnwick.ini");
    install.RunUntilStored(
        userEnv, userIni, {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(StatOf(userIni).st_uid, 65534u);
    EXPECT_EQ(StatOf(install.tree.PathText("nobody/home/.config/tarnwick")).st_mode & 07777, 0700u);
    EXPECT_EQ(ReadRootSection(userIni)["WIDTH"], "600");
    EXPECT_EQ(TFixtureTree::Read(rootIni.toStdString()), rootBytes);
    EXPECT_EQ(BinFolder(install), (QStringList{"tarnwick", "tarnwick-cli"}));
}

} // namespace
