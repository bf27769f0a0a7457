#include "engine/main_thread_hand_off.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

// Runs body on a worker thread while the main thread spins its event loop.
void OnWorker(const std::function<void()>& body) {
    std::unique_ptr<QThread> worker(QThread::create(body));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
}

} // namespace

TEST(MainThreadHandOff, RunsEachCallOnTheMainThreadInOrderAndWaits) {
    TMainThreadHandOff handOff;
    QThread* const main = QThread::currentThread();
    std::vector<int> order;
    bool allOnMain = true;
    bool callerSawEachResult = true;
    OnWorker([&] {
        for (int i = 0; i < 20000; ++i) {
            handOff.Run([&, i] {
                allOnMain = allOnMain && QThread::currentThread() == main;
                order.push_back(i);
            });
            // The call has run by the time Run returns.
            callerSawEachResult = callerSawEachResult && order.size() == size_t(i + 1);
        }
    });
    EXPECT_TRUE(allOnMain);
    EXPECT_TRUE(callerSawEachResult);
    ASSERT_EQ(order.size(), 20000u);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(order[size_t(i)], i);

    // On the main thread itself a call runs at once.
    bool ran = false;
    handOff.Run([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(MainThreadHandOff, AnExceptionReachesTheCaller) {
    TMainThreadHandOff handOff;
    std::string caught;
    OnWorker([&] {
        try {
            handOff.Run([] { throw std::runtime_error("grid full"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    EXPECT_EQ(caught, "grid full");
}

// While a worker hands off call after call, the main thread's event loop
// keeps running: a timer goes on firing, and between any two of its firings
// calls were served. The worker stops once the timer has fired enough times;
// the only deadline is a guard so that a starved loop fails instead of hanging.
TEST(MainThreadHandOff, TheEventLoopKeepsRunningDuringAStreamOfCalls) {
    TMainThreadHandOff handOff;
    constexpr int kTicks = 8;
    std::atomic<int> ticks{0};
    std::atomic<long> calls{0};
    std::vector<long> callsAtTick; // main thread only
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        callsAtTick.push_back(calls.load());
        ticks.fetch_add(1);
    });
    timer.start(5);
    bool gaveUp = false;
    OnWorker([&] {
        const auto guard = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (ticks.load() < kTicks) {
            handOff.Run([&] { calls.fetch_add(1); });
            if (std::chrono::steady_clock::now() > guard) {
                gaveUp = true;
                return;
            }
        }
    });
    timer.stop();
    ASSERT_FALSE(gaveUp) << "the timer fired " << ticks.load() << " times in two minutes";
    ASSERT_GE(callsAtTick.size(), size_t(kTicks));
    // Calls were served between the timer's first and last firing: the two
    // took turns rather than one waiting for the other to finish.
    EXPECT_GT(callsAtTick.back(), callsAtTick.front());
}
