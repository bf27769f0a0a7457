// tarnwick-cli while it runs: rows stream out as the job makes them, a reader
// that stops reading holds the job back instead of filling memory, a closed
// output stops the job, stop signals end it cleanly, and a terminal gets a
// progress line.

#include "cli_process.h"
#include "fixture_tree.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kCli = TARNWICK_CLI;

size_t CountEntries(const std::string& folder) {
    size_t n = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        ::closedir(d);
    }
    return n;
}

// kFiles small files whose rows are long (about 2 KB of CSV each): the whole
// list is far more than a pipe and the program's own buffer hold.
constexpr size_t kFiles = 1500;
std::string LongFolder() {
    std::string folder = "src";
    for (int level = 0; level < 8; ++level)
        folder += "/" + std::string(240, char('a' + level));
    return folder;
}
void MakeManyLongRows(const TFixtureTree& tree) {
    const std::string folder = LongFolder();
    tree.Dir(folder);
    const int dir = ::open(tree.Path(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    for (size_t i = 0; i < kFiles; ++i) {
        const int fd = ::openat(dir, (std::to_string(i) + ".jpg").c_str(),
                                O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
    }
    ::close(dir);
    tree.Dir("out");
}

std::vector<std::string> CopyArgs(const TFixtureTree& tree, const std::string& out = "out") {
    return {"-s", tree.Path("src"), "-n", tree.Path(out), "-c"};
}

// Waits (a liveness bound, not a speed one) until ready() or the program ends.
template <class Ready> bool WaitFor(TRunningProgram& p, Ready ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!ready()) {
        if (!p.Running() || std::chrono::steady_clock::now() > until)
            return ready();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True while pid holds open a file in folder that has no name yet, or a
// temporary file stands there.
bool CopyUnderWay(pid_t pid, const std::string& folder) {
    if (CountEntries(folder) > 0)
        return true;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* d = ::opendir(fds.c_str());
    if (!d)
        return false;
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        char target[4096];
        const ssize_t n =
            ::readlinkat(::dirfd(d), e->d_name, target, sizeof target - 1);
        const std::string link(target, n > 0 ? size_t(n) : 0);
        found = found || (link.rfind(folder + "/#", 0) == 0 &&
                          link.find("(deleted)") != std::string::npos);
    }
    ::closedir(d);
    return found;
}

} // namespace

// The first rows can be read while the job is still copying, and a reader
// that stops reading holds the job back: with only the first rows read, most
// files are not copied yet and the program is still running. Once the rest is
// read, the job completes.
TEST(CliStream, RowsGoOutWhileTheJobRuns) {
    TFixtureTree tree;
    MakeManyLongRows(tree);
    TRunningProgram p(kCli, CopyArgs(tree));
    EXPECT_EQ(p.ReadLine(), "\"Source Folder\",\"New Folder\"\r\n");
    const std::string first = p.ReadLine();
    EXPECT_EQ(first.rfind(tree.Path(LongFolder()), 0), 0u) << first.substr(0, 80);
    EXPECT_TRUE(p.Running());
    EXPECT_LT(CountEntries(tree.Path("out")), kFiles);

    const std::string rest = p.ReadRest();
    const TCliResult r = p.Wait();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    size_t lines = 0;
    for (const char c : rest)
        lines += c == '\n';
    EXPECT_EQ(lines, kFiles - 1);
    EXPECT_EQ(CountEntries(tree.Path("out")), kFiles);
}

// A reader that goes away (head -1): the job stops at the next row, leaves no
// unfinished copy, says why on standard error and exits 1.
TEST(CliStream, AClosedOutputStopsTheJob) {
    TFixtureTree tree;
    MakeManyLongRows(tree);
    TRunningProgram p(kCli, CopyArgs(tree));
    p.ReadLine();
    p.CloseOutput();
    const TCliResult r = p.Wait();
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("tarnwick-cli: standard output was closed; the job stopped after "),
              std::string::npos)
        << r.err;
    const size_t copied = CountEntries(tree.Path("out"));
    EXPECT_LT(copied, kFiles);
    // Every entry is a finished copy: no temporary file is left.
    if (DIR* d = ::opendir(tree.Path("out").c_str())) {
        while (const dirent* e = ::readdir(d))
            EXPECT_TRUE(e->d_name[0] != '.' || std::string(e->d_name) == "." ||
                        std::string(e->d_name) == "..")
                << e->d_name;
        ::closedir(d);
    }

    // The same in a shell pipeline: the pipeline's status says so.
    tree.Dir("out2");
    std::string command = "set -o pipefail; '" + kCli + "'";
    for (const std::string& a : CopyArgs(tree, "out2"))
        command += " '" + a + "'";
    command += " | head -1 >/dev/null";
    const TCliResult shell = RunProgram("/bin/bash", {"-c", command});
    EXPECT_EQ(shell.exitCode, 1) << shell.err;
    EXPECT_NE(shell.err.find("standard output was closed"), std::string::npos) << shell.err;
}

// A stop signal during the copy of a large file: the copy is cancelled and
// its temporary file removed, the rows so far are listed, and the exit
// status is 128 + the signal's number.
TEST(CliStream, StopSignalsEndTheJobCleanly) {
    TFixtureTree tree;
    tree.Dir("src");
    {
        const int fd = ::open(tree.Path("src/large.bin").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(1 << 20, 'L');
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
        ::close(fd);
    }
    struct Case {
        int signal;
        int code;
        const char* name;
    } cases[] = {
        {SIGTERM, 143, "SIGTERM"},
        {SIGHUP, 129, "SIGHUP"},
        {SIGINT, 130, "SIGINT"},
        {SIGQUIT, 131, "SIGQUIT"},
    };
    for (const Case& c : cases) {
        const std::string out = std::string("out-") + c.name;
        tree.Dir(out);
        TRunningProgram p(kCli, CopyArgs(tree, out));
        // The copy is under way once its file is open in the new folder:
        // without a name, or under its temporary name.
        ASSERT_TRUE(WaitFor(p, [&] { return CopyUnderWay(p.Pid(), tree.Path(out)); }))
            << c.name << ": the copy ended before it could be stopped";
        ASSERT_TRUE(p.Running()) << c.name;
        ASSERT_EQ(::kill(p.Pid(), c.signal), 0);
        const std::string rows = p.ReadRest();
        const TCliResult r = p.Wait();
        EXPECT_EQ(r.exitCode, c.code) << c.name << " " << r.err;
        EXPECT_EQ(r.signal, 0) << c.name;
        EXPECT_EQ(CountEntries(tree.Path(out)), 0u) << c.name;
        EXPECT_EQ(rows.rfind("\"Source Folder\",\"New Folder\"\r\n", 0), 0u) << c.name;
        EXPECT_NE(r.err.find(std::string("tarnwick-cli: stopped by ") + c.name + " after "),
                  std::string::npos)
            << r.err;
        // The copy the stop cut short is said to be cancelled, not failed.
        EXPECT_NE(r.err.find("tarnwick-cli: copy cancelled by the stop: "), std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("copy failed"), std::string::npos) << r.err;
    }
}

// On a terminal, standard error shows how far the job has come; elsewhere it
// stays quiet.
TEST(CliStream, ProgressOnlyOnATerminal) {
    TFixtureTree tree;
    MakeManyLongRows(tree);
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo-terminal available";
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    // What the terminal shows, read until the program has closed it.
    std::mutex mutex;
    std::string shown;
    std::thread terminal([&] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            shown.append(buffer, static_cast<size_t>(got));
        }
    });
    {
        TRunningProgram p(kCli, CopyArgs(tree), slave);
        ::close(slave);
        // Standard output is not read yet, so the job waits for its reader
        // while the progress line keeps being drawn.
        EXPECT_TRUE(WaitFor(p, [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return shown.find(" files copied") != std::string::npos;
        }));
        p.ReadRest();
        EXPECT_EQ(p.Wait().exitCode, 0);
    }
    terminal.join();
    ::close(master);
    EXPECT_NE(shown.find(" files copied"), std::string::npos) << shown;
    // The line is cleared before the program ends.
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << shown;

    tree.Dir("out2");
    const TCliResult r = RunProgram(kCli, CopyArgs(tree, "out2"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}
