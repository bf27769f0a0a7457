// Copy jobs in a process of their own (the job driver): under a small stack
// limit, as an ordinary user, killed in the middle of a copy.

#include "fixture_tree.h"
#include "test_job_window.h"
#include "test_mount.h"

#include "platform/name_codec.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct TDriverRun {
    int status = -1; // as waitpid gives it
    std::vector<std::vector<std::string>> rows;     // source, target, reason
    std::vector<std::vector<std::string>> unlisted; // path, reason
    std::string end;                                // the row count at the end
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Starts the job driver through the shell: shellPrefix runs first (such as
// "ulimit -s 256;"); asUser runs it as uid and gid 65534 when the tests run
// as root (as themselves otherwise). Returns the child's pid and its
// standard output's reading end.
pid_t StartDriver(const std::vector<std::string>& args, const std::string& shellPrefix,
                  bool asUser, int& out) {
    std::vector<std::string> argv = {"/bin/sh", "-c", shellPrefix + " exec \"$@\"", "sh"};
    if (asUser && RunningAsRoot())
        argv.insert(argv.end(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    argv.push_back(TARNWICK_JOB_DRIVER);
    argv.insert(argv.end(), args.begin(), args.end());
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        std::vector<char*> raw;
        for (std::string& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    out = pipeFds[0];
    return pid;
}

TDriverRun RunDriver(const std::vector<std::string>& args, const std::string& shellPrefix = "",
                     bool asUser = false) {
    TDriverRun run;
    int out = -1;
    const pid_t pid = StartDriver(args, shellPrefix, asUser, out);
    if (pid < 0)
        return run;
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(out, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, size_t(n));
    }
    ::close(out);
    ::waitpid(pid, &run.status, 0);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f = SplitTabs(line);
        if (f[0] == "row" && f.size() == 4)
            run.rows.push_back({f[1], f[2], f[3]});
        else if (f[0] == "unlisted" && f.size() == 3)
            run.unlisted.push_back({f[1], f[2]});
        else if (f[0] == "end" && f.size() == 2)
            run.end = f[1];
    }
    return run;
}

bool ExitedWell(const TDriverRun& run) {
    return WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
}

bool SetprivWorks() {
    return !RunningAsRoot() ||
           std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null") == 0;
}

// A chain of folders "d" inside each other, depth levels below root, built
// relative to descriptors (no path grows with the depth). A file f.jpg lies
// in every folder whose level (1 = the first "d") is a multiple of every.
void BuildChain(const std::string& root, int depth, int every) {
    int at = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(at, 0);
    for (int level = 1; level <= depth; ++level) {
        ASSERT_EQ(::mkdirat(at, "d", 0755), 0) << level;
        const int next = ::openat(at, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(next, 0) << level;
        ::close(at);
        at = next;
        if (level % every == 0) {
            const int f = ::openat(at, "f.jpg", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(f, 0);
            ASSERT_EQ(::write(f, "deep", 4), 4);
            ::close(f);
        }
    }
    ::close(at);
}

// Removes such a chain from the bottom up, relative to descriptors.
void RemoveChain(const std::string& root) {
    int at = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int depth = 0;
    for (int next; (next = ::openat(at, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) >= 0; ++depth) {
        ::close(at);
        at = next;
    }
    for (; depth > 0; --depth) {
        ::unlinkat(at, "f.jpg", 0);
        const int up = ::openat(at, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        at = up;
        ::unlinkat(at, "d", AT_REMOVEDIR);
    }
    ::close(at);
}

} // namespace

TEST(JobProcess, AHundredThousandNestedFoldersUnderASmallStackLimit) {
    // On a tmpfs the tree is made and dropped in seconds; on a disk, where
    // removing deep folders takes minutes, a tenth of the depth.
    TTestMount tmpfs("tmpfs", std::uint64_t(64) << 20);
    TFixtureTree tree;
    const std::string root = tmpfs.Mounted() ? tmpfs.Root() : tree.Root();
    const int depth = tmpfs.Mounted() ? 100000 : 10000;
    const int every = depth / 4;
    ASSERT_EQ(::mkdir((root + "/src").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((root + "/out").c_str(), 0755), 0);
    BuildChain(root + "/src", depth, every);
    // 256 KiB is also the worker thread's stack: a walk that recursed would
    // overflow it some hundred levels down.
    const TDriverRun run = RunDriver({"2", root + "/src", root + "/out", ".jpg"},
                                     "ulimit -s 256 &&");
    if (!tmpfs.Mounted())
        RemoveChain(root + "/src");
    ASSERT_TRUE(ExitedWell(run)) << "status " << run.status;
    std::vector<std::string> expected;
    std::string path = root + "/src";
    for (int level = 1; level <= depth; ++level) {
        path += "/d";
        if (level % every == 0)
            expected.push_back(path + "/f.jpg");
    }
    std::vector<std::string> got;
    for (const auto& row : run.rows)
        got.push_back(row[0]);
    // A folder may list its file before or after its folder.
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(got == expected) << got.size() << " rows, " << expected.size() << " expected";
    EXPECT_TRUE(run.unlisted.empty());
    EXPECT_EQ(run.end, std::to_string(expected.size()));
}

TEST(JobProcess, UnreadableFoldersAreReportedAndTheWalkGoesOn) {
    if (!SetprivWorks())
        GTEST_SKIP() << "cannot run as an ordinary user (setpriv failed)";
    TFixtureTree tree;
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0); // the ordinary user's way in
    tree.Dir("out");
    tree.File("src/ok.jpg");
    tree.File("src/locked/hidden.jpg");
    tree.File("src/locked/inner/deeper.jpg");
    tree.File("src/after/z.jpg");
    ASSERT_EQ(::chmod(tree.Path("src/locked").c_str(), 0), 0);

    const TDriverRun run = RunDriver({"2", tree.Path("src"), tree.Path("out")}, "", true);
    ASSERT_TRUE(ExitedWell(run)) << "status " << run.status;
    std::set<std::string> sources;
    for (const auto& row : run.rows)
        sources.insert(row[0]);
    EXPECT_EQ(sources, (std::set<std::string>{tree.Path("src/ok.jpg"), tree.Path("src/after/z.jpg")}));
    ASSERT_EQ(run.unlisted.size(), 1u);
    EXPECT_EQ(run.unlisted[0][0], tree.Path("src/locked"));
    EXPECT_EQ(run.unlisted[0][1], "Permission denied");
    EXPECT_EQ(run.end, "2");
}

TEST(JobProcess, AnUnreadableOrMissingSourceIsReportedAndTheJobEnds) {
    if (!SetprivWorks())
        GTEST_SKIP() << "cannot run as an ordinary user (setpriv failed)";
    TFixtureTree tree;
    ASSERT_EQ(::chmod(tree.Root().c_str(), 0755), 0);
    tree.Dir("out");
    tree.File("src/a.jpg");
    tree.File("file.jpg");
    ASSERT_EQ(::chmod(tree.Path("src").c_str(), 0), 0);
    struct Case {
        std::string source, reason;
    } cases[] = {
        {tree.Path("src"), "Permission denied"},
        {tree.Path("missing"), "No such file or directory"},
        {tree.Path("file.jpg"), "Not a directory"},
    };
    for (const Case& c : cases) {
        const TDriverRun run = RunDriver({"3", c.source, tree.Path("out")}, "", true);
        ASSERT_TRUE(ExitedWell(run)) << c.source << " status " << run.status;
        EXPECT_TRUE(run.rows.empty()) << c.source;
        ASSERT_EQ(run.unlisted.size(), 1u) << c.source;
        EXPECT_EQ(run.unlisted[0][0], c.source);
        EXPECT_EQ(run.unlisted[0][1], c.reason);
        EXPECT_EQ(run.end, "0");
    }
    EXPECT_TRUE(TFixtureTree::Names(tree.Path("out")).empty());
}
