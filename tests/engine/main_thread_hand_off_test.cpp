#include "engine/main_thread_hand_off.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
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

TEST(MainThreadHandOff, TheEventLoopKeepsRunningDuringAStreamOfCalls) {
    TMainThreadHandOff handOff;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    std::atomic<int> calls{0};
    OnWorker([&] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            handOff.Run([&] { calls.fetch_add(1); });
    });
    EXPECT_GT(calls.load(), 1000);
    EXPECT_GE(ticks, 10); // about 30 without hand-offs; a starved loop gives 0 or 1
}
