#pragma once
// The signals that stop a tarnwick-cli job: SIGINT, SIGTERM, SIGHUP and
// SIGQUIT raise the job's stop flag, so the job ends at the next entry or
// inside its copy, removes an unfinished copy and lists the rows so far; the
// program then exits with 128 + the signal's number (of the first such
// signal; more of them change nothing, so a terminal's hang-up that arrives
// twice still lets the copy clean up). SIGPIPE is ignored: a closed output
// shows as a failed write, which the program handles.

#include <atomic>

namespace tarnwick {

void InstallStopSignals(std::atomic<bool>* stop);

// The first stop signal received, or 0.
int ReceivedStopSignal();

// "SIGTERM" and so on.
const char* StopSignalName(int signal);

} // namespace tarnwick
