#include "cli_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    // The test program may run with SIGPIPE ignored or signals blocked; the
    // child starts with the defaults, as from a shell.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv = Argv(program, args);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

std::string ReadWhole(int fd) {
    std::string s;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got <= 0)
            return s;
        s.append(buffer, static_cast<size_t>(got));
        at += got;
    }
}

void Decode(int status, TCliResult& r) {
    if (WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        r.signal = WTERMSIG(status);
}

} // namespace

TCliResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    const int out = ::memfd_create("out", MFD_CLOEXEC);
    const int err = ::memfd_create("err", MFD_CLOEXEC);
    TCliResult r;
    const pid_t pid = Spawn(program, args, out, err);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Decode(status, r);
    r.out = ReadWhole(out);
    r.err = ReadWhole(err);
    ::close(out);
    ::close(err);
    return r;
}

TRunningProgram::TRunningProgram(const std::string& program, const std::vector<std::string>& args,
                                 int errFd) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    FErr = ::memfd_create("err", MFD_CLOEXEC);
    FPid = Spawn(program, args, pipe[1], errFd >= 0 ? errFd : FErr);
    ::close(pipe[1]);
    FOut = pipe[0];
}

TRunningProgram::~TRunningProgram() {
    if (!FReaped && FPid > 0) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
    }
    if (FOut >= 0)
        ::close(FOut);
    ::close(FErr);
}

std::string TRunningProgram::ReadLine() {
    for (;;) {
        const size_t eol = FRead.find('\n');
        if (eol != std::string::npos) {
            std::string line = FRead.substr(0, eol + 1);
            FRead.erase(0, eol + 1);
            return line;
        }
        char buffer[256];
        const ssize_t got = ::read(FOut, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            std::string line;
            line.swap(FRead);
            return line;
        }
        FRead.append(buffer, static_cast<size_t>(got));
    }
}

std::string TRunningProgram::ReadRest() {
    std::string s;
    s.swap(FRead);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(FOut, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return s;
        s.append(buffer, static_cast<size_t>(got));
    }
}

void TRunningProgram::CloseOutput() {
    ::close(FOut);
    FOut = -1;
}

bool TRunningProgram::Running() {
    if (FReaped)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(FPid, &status, WNOHANG);
    if (done != FPid)
        return true;
    FReaped = true;
    Decode(status, FResult);
    return false;
}

TCliResult TRunningProgram::Wait() {
    if (!FReaped) {
        int status = 0;
        while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
        }
        FReaped = true;
        Decode(status, FResult);
    }
    FResult.err = ReadWhole(FErr);
    return FResult;
}
