// The program asked to end from outside while a settings write fails: it
// never waits for a click on a box. The real program runs as a child, from a
// private copy whose settings file cannot be written (a folder stands where
// the file should be).

#include "fixture_tree.h"
#include "ui_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct TProgramCopy {
    TFixtureTree tree;
    QString program;
    QString ini;
    QString lock;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    TProgramCopy() {
        tree.Dir("bin");
        tree.Dir("runtime");
        ::chmod(tree.Path("runtime").c_str(), 0700);
        program = tree.PathText("bin/tarnwick");
        ini = tree.PathText("bin/tarnwick.ini");
        lock = tree.PathText("runtime/tarnwick.lock");
        if (!QFile::copy(QStringLiteral(TARNWICK_EXECUTABLE), program))
            throw std::runtime_error("cannot copy the program");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", tree.PathText("runtime"));
    }
    void Start(QProcess& p) const {
        p.setProcessEnvironment(env);
        p.setProgram(program);
        p.start();
    }
    QString WriteError() const { return ini + QStringLiteral(" に書き込めません."); }
};

TEST(EndRequest, TermWhileTheStartUpErrorBoxIsShownEndsWithoutAClick) {
    TProgramCopy copy;
    copy.tree.Dir("bin/tarnwick.ini");
    QProcess p;
    copy.Start(p);
    ASSERT_TRUE(p.waitForStarted());
    // The lock is taken once the handlers are in place; the box follows at once.
    ASSERT_TRUE(SpinUntil([&] { return QFileInfo::exists(copy.lock); }));
    QThread::msleep(500);
    ASSERT_EQ(p.state(), QProcess::Running) << "the box keeps the program waiting";

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(30000)) << "waiting on a box";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    // The exit's settings write failed too: said on standard error.
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains("Tarnwick Hub: " + copy.WriteError())) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(copy.lock));
}

TEST(EndRequest, FailedSettingsWriteAtAnOutsideCloseGoesToStandardError) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        TProgramCopy copy;
        QProcess p;
        copy.Start(p);
        ASSERT_TRUE(p.waitForStarted());
        // Up once its settings reads have written the last text key back.
        ASSERT_TRUE(
            SpinUntil([&] { return ReadRootSection(copy.ini).count("FILE_EXTENSION_NAME"); }));
        ASSERT_TRUE(QFile::remove(copy.ini));
        copy.tree.Dir("bin/tarnwick.ini");

        ASSERT_EQ(::kill(pid_t(p.processId()), signal), 0);
        ASSERT_TRUE(p.waitForFinished(30000)) << "waiting on a box";
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(err.count(copy.WriteError()), 1) << err.toStdString();
        // No temporary file of the failed write is left behind.
        EXPECT_EQ(
            QDir(copy.tree.PathText("bin")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            (QStringList{"tarnwick", "tarnwick.ini"}));
    }
}

} // namespace
