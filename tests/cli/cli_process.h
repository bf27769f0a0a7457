#pragma once
// Runs tarnwick-cli (or another program) for the tests, with arguments given
// as bytes, so that names that are not UTF-8 reach it unchanged.

#include <string>
#include <sys/types.h>
#include <vector>

struct TCliResult {
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0;    // the signal that ended it, if one did
    std::string out, err;
};

// Runs program with args to its end; standard input is empty.
TCliResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// A running program whose standard output is a pipe the test reads at its
// own pace; its standard error goes to a file read at the end. Optionally
// its standard error is the given descriptor instead (a terminal).
class TRunningProgram {
public:
    TRunningProgram(const std::string& program, const std::vector<std::string>& args,
                    int errFd = -1);
    ~TRunningProgram(); // kills and reaps it if still running
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    pid_t Pid() const { return FPid; }
    // Reads standard output up to and including the first line break (or
    // what there is at its end), a few bytes at a time.
    std::string ReadLine();
    std::string ReadRest();
    void CloseOutput();
    // Still running (not yet exited)?
    bool Running();
    // Waits for the end.
    TCliResult Wait();

private:
    pid_t FPid = -1;
    int FOut = -1;
    int FErr = -1; // memory file holding standard error
    bool FReaped = false;
    TCliResult FResult;
    std::string FRead; // read past the last line handed out
};
