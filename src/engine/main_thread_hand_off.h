#pragma once
// The blocking hand-off from a worker thread to the thread that owns this
// object (the main thread): Run places a call in the queue and returns once
// the main thread has run it. The main thread serves hand-offs from its event
// loop, and keeps serving the ones that follow for up to 40 ms before
// it returns to the loop, so a job that hands off thousands of rows a second
// does not pay for a repaint and an event-loop pass per row while the window
// still repaints and answers the user many times a second.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

class TMainThreadHandOff : public QObject {
public:
    explicit TMainThreadHandOff(QObject* parent = nullptr);
    ~TMainThreadHandOff() override;

    // Any thread: runs fn on this object's thread and waits until it has run;
    // on that thread itself, runs fn at once. An exception fn throws is
    // thrown again here, in the caller's thread.
    void Run(const std::function<void()>& fn);

protected:
    bool event(QEvent* e) override;

private:
    struct TCall {
        const std::function<void()>* fn;
        std::exception_ptr error;
        std::atomic<bool> done{false};
    };

    void Serve();
    void Post(); // with FMutex held

    std::mutex FMutex;
    std::condition_variable FCallerWake; // a call is done
    std::condition_variable FServerWake; // a call is queued while serving
    std::deque<TCall*> FQueue;
    std::atomic<int> FiQueued{0};
    bool FbServing = false;
    bool FbPosted = false;
};
