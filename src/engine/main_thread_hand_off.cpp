#include "main_thread_hand_off.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>
#include <thread>

namespace {

const QEvent::Type kHandOffEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// How long the main thread serves hand-offs in one go, and how long it waits
// for the next one before it goes back to its event loop.
// A slice is short enough that the window answers input well within a tenth
// of a second, and long enough that its repaints (each of them lays out and
// draws every visible cell) take a small share of a long job.
constexpr auto kServeSlice = std::chrono::milliseconds(40);
constexpr auto kNextCallWait = std::chrono::microseconds(500);
// Both sides wait for the other by spinning for a short while before they
// sleep: waking a sleeping thread costs more than the work of a typical call.
// The spin gives its core away between short bursts, so that when the other
// side is waiting for the same core (a busy machine, or one core) it runs at
// once instead of after the spin.
constexpr auto kSpinFor = std::chrono::microseconds(50);
constexpr int kPausesPerBurst = 64;

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Whether spinning on the processor has lately paid off for this thread. When
// a burst did not see the other side come, but giving the core away did, the
// other side runs on this thread's core: the next waits give it away at once
// and try a burst again only now and then.
thread_local int tiBurstsToSkip = 0;
constexpr int kSkipBurstsFor = 32;

// Spins until ready() or kSpinFor has passed; returns ready().
template <class Ready> bool SpinUntil(Ready ready) {
    if (ready())
        return true;
    bool burstFailed = false;
    if (tiBurstsToSkip > 0) {
        --tiBurstsToSkip;
    } else {
        for (int i = 0; i < kPausesPerBurst; ++i) {
            CpuRelax();
            if (ready())
                return true;
        }
        burstFailed = true;
    }
    const auto until = std::chrono::steady_clock::now() + kSpinFor;
    for (;;) {
        std::this_thread::yield();
        if (ready()) {
            if (burstFailed)
                tiBurstsToSkip = kSkipBurstsFor;
            return true;
        }
        if (std::chrono::steady_clock::now() >= until)
            return ready();
        for (int i = 0; i < kPausesPerBurst; ++i) {
            CpuRelax();
            if (ready())
                return true;
        }
    }
}

} // namespace

TMainThreadHandOff::TMainThreadHandOff(QObject* parent) : QObject(parent) {}

TMainThreadHandOff::~TMainThreadHandOff() = default;

void TMainThreadHandOff::Post() {
    if (!FbPosted) {
        FbPosted = true;
        QCoreApplication::postEvent(this, new QEvent(kHandOffEvent));
    }
}

void TMainThreadHandOff::Run(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    TCall call;
    call.fn = &fn;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FQueue.push_back(&call);
        FiQueued.fetch_add(1, std::memory_order_release);
        if (FbServing)
            FServerWake.notify_one();
        else
            Post();
    }
    if (!SpinUntil([&call] { return call.done.load(std::memory_order_acquire); })) {
        std::unique_lock<std::mutex> lock(FMutex);
        FCallerWake.wait(lock, [&call] { return call.done.load(std::memory_order_acquire); });
    }
    if (call.error)
        std::rethrow_exception(call.error);
}

bool TMainThreadHandOff::event(QEvent* e) {
    if (e->type() != kHandOffEvent)
        return QObject::event(e);
    Serve();
    return true;
}

void TMainThreadHandOff::Serve() {
    const auto deadline = std::chrono::steady_clock::now() + kServeSlice;
    std::unique_lock<std::mutex> lock(FMutex);
    FbPosted = false;
    FbServing = true;
    for (;;) {
        if (!FQueue.empty()) {
            TCall* call = FQueue.front();
            FQueue.pop_front();
            FiQueued.fetch_sub(1, std::memory_order_relaxed);
            lock.unlock();
            try {
                (*call->fn)();
            } catch (...) {
                call->error = std::current_exception();
            }
            lock.lock();
            call->done.store(true, std::memory_order_release); // call may be gone after this
            FCallerWake.notify_all();
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        lock.unlock();
        SpinUntil([this] { return FiQueued.load(std::memory_order_acquire) != 0; });
        lock.lock();
        if (FQueue.empty() &&
            !FServerWake.wait_for(lock, kNextCallWait, [this] { return !FQueue.empty(); }))
            break;
    }
    FbServing = false;
    if (!FQueue.empty())
        Post(); // arrived after the slice ended: serve it from the next loop pass
}
