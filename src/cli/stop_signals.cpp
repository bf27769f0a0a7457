#include "stop_signals.h"

#include <csignal>

namespace tarnwick {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::atomic<bool>* gStop = nullptr;
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    gSignal.compare_exchange_strong(none, signal); // the first one counts
    if (gStop)
        gStop->store(true);
}

} // namespace

void InstallStopSignals(std::atomic<bool>* stop) {
    gStop = stop;
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int s : kStopSignals)
        sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (const int s : kStopSignals)
        ::sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int ReceivedStopSignal() {
    return gSignal.load();
}

const char* StopSignalName(int signal) {
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGQUIT: return "SIGQUIT";
    default: return "a signal";
    }
}

} // namespace tarnwick
