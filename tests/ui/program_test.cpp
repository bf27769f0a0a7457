// The program itself, run from a private copy beside its own settings file:
// one instance at a time, a second start that touches nothing, and the
// settings stored when the process is asked to end.

#include "fixture_tree.h"
#include "ui_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct TInstalledCopy {
    TFixtureTree tree;
    QString program;
    QString ini;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    TInstalledCopy() {
        tree.Dir("bin");
        tree.Dir("runtime");
        ::chmod(tree.Path("runtime").c_str(), 0700);
        program = tree.PathText("bin/tarnwick");
        ini = tree.PathText("bin/tarnwick.ini");
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
};

TEST(Program, SecondStartEndsAtOnceAndTouchesNothing) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer does not support starting processes from a process "
                    "that runs threads";
#endif
    TInstalledCopy copy;
    QProcess first;
    copy.Start(first);
    ASSERT_TRUE(first.waitForStarted());
    // The first instance is up once it holds its lock and has read its settings.
    ASSERT_TRUE(SpinUntil([&] {
        return QFileInfo::exists(copy.tree.PathText("runtime/tarnwick.lock")) &&
               QFileInfo::exists(copy.ini);
    }));
    QThread::msleep(300);
    const std::string before = TFixtureTree::Read(copy.ini.toStdString());
    const QDateTime modified = QFileInfo(copy.ini).lastModified();

    QProcess second;
    copy.Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(TFixtureTree::Read(copy.ini.toStdString()), before);
    EXPECT_EQ(QFileInfo(copy.ini).lastModified(), modified);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Asked to end, the first instance closes its window the usual way.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(5000));
    EXPECT_EQ(first.exitCode(), 0);
    const auto stored = ReadRootSection(copy.ini);
    EXPECT_EQ(stored.count("WIDTH") ? stored.at("WIDTH") : QString(), "600");
    EXPECT_EQ(stored.count("COPY_TYPE_COMBOBOX") ? stored.at("COPY_TYPE_COMBOBOX") : QString(),
              "0");

    // With the first one gone, a new start runs.
    QProcess third;
    copy.Start(third);
    ASSERT_TRUE(third.waitForStarted());
    EXPECT_FALSE(third.waitForFinished(700));
    third.terminate();
    ASSERT_TRUE(third.waitForFinished(5000));
}

} // namespace
