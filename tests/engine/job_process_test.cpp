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
#include <csignal>
#include <sys/file.h>
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
    TScratchFileSystem tmpfs("tmpfs", std::uint64_t(64) << 20);
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

namespace {

// Stops the driver (pid) again and again, until it is stopped while one of
// its temporary files is in folder; returns that file's name, with the
// driver left stopped, or "" when the driver ended first. The copy spends
// most of its time writing a temporary file, so a few stops find one,
// however loaded the machine is.
// What a stop in the middle of a copy found: the copy's temporary file by
// name, or an open file without a name in the folder (O_TMPFILE).
struct TCaughtCopy {
    bool caught = false;
    std::string name; // empty for a file without a name
};

TCaughtCopy StopWhileATemporaryIsThere(pid_t pid, const std::string& folder) {
    const std::string prefix = ".tarnwick-" + std::to_string(pid) + "-";
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (;;) {
        ::kill(pid, SIGSTOP);
        int status = 0;
        if (::waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status))
            return {};
        for (const std::string& name : TFixtureTree::Names(folder))
            if (name.rfind(prefix, 0) == 0)
                return {true, name};
        for (const std::string& fd : TFixtureTree::Names(fds)) {
            char target[4096];
            const ssize_t n = ::readlink((fds + "/" + fd).c_str(), target, sizeof target - 1);
            const std::string link(target, n > 0 ? size_t(n) : 0);
            if (link.rfind(folder + "/#", 0) == 0 && link.find("(deleted)") != std::string::npos)
                return {true, ""};
        }
        ::kill(pid, SIGCONT);
        ::usleep(1000);
    }
}

} // namespace

TEST(JobProcess, TemporariesOfAKilledCopyAreRemovedByTheNextCopyJobAndNothingElse) {
    TFixtureTree tree;
    tree.Dir("out");
    for (int i = 0; i < 16; ++i)
        tree.File("src/f" + std::to_string(i) + ".bin", std::string(16u << 20, char('a' + i)));
    tree.File("second/new.txt", "second job");

    int out = -1;
    const pid_t driver = StartDriver({"3", tree.Path("src"), tree.Path("out")}, "", false, out);
    ASSERT_GT(driver, 0);
    const TCaughtCopy caught = StopWhileATemporaryIsThere(driver, tree.Path("out"));
    ::close(out);
    // (When the driver ended first, it is reaped already and its number is not ours to signal.)
    ASSERT_TRUE(caught.caught) << "the driver finished before a copy could be caught";
    ::kill(driver, SIGKILL);
    int status = 0;
    ::waitpid(driver, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    const std::string dead = std::to_string(driver);
    // Whatever the killed run left in the new folder is a whole copy or its
    // temporary file; where the file system writes copies without a name,
    // there is no temporary file at all.
    for (const std::string& name : TFixtureTree::Names(tree.Path("out"))) {
        if (name == caught.name)
            continue;
        ASSERT_EQ(name.rfind(".tarnwick-", 0), std::string::npos) << name;
        // Each source is 16 MiB of one letter.
        const std::string copy = TFixtureTree::Read(tree.Path("out/" + name));
        ASSERT_EQ(copy.size(), size_t(16u << 20)) << name;
        EXPECT_TRUE(copy.front() >= 'a' && copy.front() <= 'p') << name;
        EXPECT_EQ(copy.find_first_not_of(copy.front()), std::string::npos) << name;
    }
    std::string left = caught.name;
    if (left.empty()) {
        // Nothing to clear from this run: what a run on a file system without
        // unnamed files leaves is made by hand, under the dead run's number.
        left = ".tarnwick-" + dead + "-7";
        tree.File("out/" + left, "half a copy");
    }
    ASSERT_TRUE(TFixtureTree::Exists(tree.Path("out/" + left)));

    // Names that look alike, or are not the dead run's to lose, stay.
    const pid_t sleeper = ::fork();
    if (sleeper == 0) {
        ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string live = std::to_string(sleeper);
    tree.File("out/.tarnwick-" + dead + "-900001", "another left by the dead run: removed");
    std::vector<std::string> kept = {
        ".tarnwick-" + live + "-0",           // its process runs
        ".tarnwick-" + dead + "-x1",          // not the pattern
        ".tarnwick-" + dead,                  // not the pattern
        "x.tarnwick-" + dead + "-2",          // not the pattern
        ".tarnwick-" + dead + "-3",           // a folder
        ".tarnwick-" + dead + "-4",           // a link
        ".tarnwick-" + dead + "-5",           // locked: a run elsewhere writes it
    };
    tree.File("out/" + kept[0], "live");
    tree.File("out/" + kept[1], "x");
    tree.File("out/" + kept[2], "x");
    tree.File("out/" + kept[3], "x");
    tree.Dir("out/" + kept[4]);
    tree.File("link-target", "must stay");
    tree.Link("out/" + kept[5], tree.Path("link-target"));
    tree.File("out/" + kept[6], "locked");
    const int locked = ::open(tree.Path("out/" + kept[6]).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);
    if (RunningAsRoot()) {
        kept.push_back(".tarnwick-" + dead + "-6"); // another user's
        tree.File("out/" + kept.back(), "theirs");
        ASSERT_EQ(::chown(tree.Path("out/" + kept.back()).c_str(), 65534, 65534), 0);
    }

    // A simulation writes nothing and removes nothing.
    {
        TTestJobWindow job;
        job.source = tree.PathText("second");
        job.newFolder = tree.PathText("out");
        ASSERT_TRUE(job.Run(2));
        EXPECT_TRUE(TFixtureTree::Exists(tree.Path("out/" + left)));
    }
    TTestJobWindow job;
    job.source = tree.PathText("second");
    job.newFolder = tree.PathText("out");
    job.combMode = 1;
    ASSERT_TRUE(job.Run(3));
    ::close(locked);
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);

    EXPECT_FALSE(TFixtureTree::Exists(tree.Path("out/" + left)));
    EXPECT_FALSE(TFixtureTree::Exists(tree.Path("out/.tarnwick-" + dead + "-900001")));
    for (const std::string& name : kept)
        EXPECT_TRUE(TFixtureTree::Exists(tree.Path("out/" + name))) << name;
    EXPECT_EQ(TFixtureTree::Read(tree.Path("link-target")), "must stay");
    EXPECT_EQ(TFixtureTree::Read(tree.Path("out/new.txt")), "second job");
}
