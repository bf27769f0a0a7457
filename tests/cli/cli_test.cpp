#include "fixture_tree.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

Result RunCli(const QStringList& args, const QString& program = QStringLiteral(TARNWICK_CLI),
              const QStringList& prefix = {}) {
    QProcess p;
    p.start(prefix.isEmpty() ? program : prefix.front(),
            prefix.isEmpty() ? args : prefix.mid(1) + QStringList{program} + args);
    p.closeWriteChannel();
    Result r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

std::vector<QByteArray> SortedBodyLines(const QByteArray& csv) {
    std::vector<QByteArray> lines;
    for (const QByteArray& l : csv.split('\n'))
        lines.push_back(l);
    lines.erase(lines.begin()); // header
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

TEST(Cli, ExitCodesForArgumentsAndChecks) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    const QString s = tree.PathText("src"), o = tree.PathText("out");
    struct Case {
        QStringList args;
        int code;
    } cases[] = {
        {{}, 2},
        {{"--bogus"}, 2},
        {{"--source"}, 2},
        {{"--source", s}, 2},
        {{"--source", s, "--new-folder", o, "--mode", "sideways"}, 2},
        {{"--source", s, "--new-folder", o, "--copy=yes"}, 2},
        {{"--source", s, "--new-folder", s}, 2},
        {{"--source", s, "--new-folder", ""}, 2},
        {{"--source", s, "--new-folder", tree.PathText("missing")}, 2},
        {{"--source", s, "--new-folder", o, "--mode", "asc", "--delimiter", "/"}, 2},
        {{"--source", s, "--new-folder", o, "--mode", "desc", "--delimiter", "a:b"}, 2},
        {{"--source", s, "--new-folder", o, "--mode", "md5", "--delimiter", "/"}, 0},
        {{"--source", tree.PathText("no-source"), "--new-folder", o}, 0},
        {{"--source=" + s, "--new-folder=" + o, "--ext=.jpg"}, 0},
        {{"--help"}, 0},
    };
    for (const Case& c : cases) {
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args.join(' ').toStdString();
        if (c.code == 2) {
            EXPECT_FALSE(r.err.isEmpty()) << c.args.join(' ').toStdString();
        }
    }
    EXPECT_TRUE(RunCli({"--help"}).out.startsWith("Usage: tarnwick-cli"));
    EXPECT_TRUE(RunCli({"--bogus"}).err.contains("Usage: tarnwick-cli"));
}

TEST(Cli, CsvLinesOnStandardOutputAndInTheFile) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/plain.jpg");
    tree.File("src/a b,c/say\"hi\".jpg");
    tree.File("src/t\tab/x.JPG");
    tree.File("src/caf\xE9/y.jpg");
    tree.File("src/skip.png");
    const std::string root = tree.Root();
    const QStringList args = {"--source", tree.PathText("src"), "--new-folder",
                              tree.PathText("out"), "--ext", ".jpg", "--mode", "asc",
                              "--delimiter", "+"};
    const Result r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(r.out.startsWith("\"Source Folder\",\"New Folder\"\r\n"));
    const QByteArray s = QByteArray::fromStdString(root + "/src"),
                     o = QByteArray::fromStdString(root + "/out");
    std::vector<QByteArray> expected = {
        "", // after the last CR LF
        s + "/plain.jpg," + o + "/plain.jpg\r",
        "\"" + s + "/a b,c/say\"\"hi\"\".jpg\",\"" + o + "/a b,c+say\"\"hi\"\".jpg\"\r",
        "\"" + s + "/t\tab/x.JPG\",\"" + o + "/t\tab+x.JPG\"\r",
        s + "/caf\xE9/y.jpg," + o + "/caf\xE9+y.jpg\r",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedBodyLines(r.out), expected);

    // --csv writes the same lines behind the byte-order mark; ".csv" is added.
    const Result f = RunCli(args + QStringList{"--csv", tree.PathText("list")});
    ASSERT_EQ(f.exitCode, 0) << f.err.toStdString();
    EXPECT_TRUE(f.out.isEmpty());
    const std::string file = TFixtureTree::Read(tree.Path("list.csv"));
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(SortedBodyLines(QByteArray::fromStdString(file.substr(3))), expected);
    // In copy mode too, nothing about the list changes.
    const Result c = RunCli(args + QStringList{"--copy"});
    EXPECT_EQ(c.exitCode, 0) << c.err.toStdString();
    EXPECT_EQ(SortedBodyLines(c.out), expected);
    EXPECT_TRUE(TFixtureTree::Exists(tree.Path("out/caf\xE9+y.jpg")));
}

TEST(Cli, NoSelectedFileGivesTheEmptyRow) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.png");
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--ext", ".jpg"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("\"Source Folder\",\"New Folder\"\r\n,\r\n"));
}

TEST(Cli, FailedCopiesExitOneAndAreListed) {
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/a.jpg", "a");
    tree.Link("src/b.jpg", tree.Path("src/gone")); // its copy cannot open the source
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--mode", "asc", "--copy"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("copy failed"));
    EXPECT_TRUE(r.err.contains("/src/b.jpg"));
    EXPECT_FALSE(r.err.contains("/src/a.jpg"));
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/a.jpg")), "a");
    EXPECT_EQ(r.out.count('\n'), 3);
}

TEST(Cli, UnwritableCsvFileExitsOne) {
    TFixtureTree tree;
    tree.Dir("src");
    tree.Dir("out");
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out"), "--csv", tree.PathText("no/such/list.csv")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot write"));
}

TEST(Cli, UnreadableFolderListsNothingOfIt) {
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root to run the program as another user";
    TFixtureTree tree;
    tree.Dir("out");
    tree.File("src/ok.jpg");
    tree.File("src/locked/secret.jpg");
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.Path("src/locked").c_str(), 0700), 0);
    const Result r = RunCli({"--source", tree.PathText("src"), "--new-folder",
                             tree.PathText("out")},
                            QStringLiteral(TARNWICK_CLI),
                            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                             "--clear-groups"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("/src/ok.jpg"));
    EXPECT_FALSE(r.out.contains("secret"));
}
