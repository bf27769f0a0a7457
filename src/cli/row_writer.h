#pragma once
// The rows of tarnwick-cli on their way out, on a thread of their own: the
// job's worker only queues each row (its texts are shared, not copied) and
// goes on naming the next file, while this thread turns rows into bytes and
// writes them. Rows leave in the order they came.
//
// Memory stays flat: at most kMaxQueued rows wait, and a worker that gets
// that far ahead waits for the writer (so a slow reader of the output holds
// the job back instead of filling memory). Bytes are written when a block is
// full, and whatever has waited for kFlushAfter is written even when rows
// only trickle in, so a slow job's rows still show promptly.

#include "engine/row_mark.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tarnwick {

struct TQueuedRow {
    int row = 0;
    QString source;
    QString target;
    std::optional<TRowMark> mark;
};

class TRowWriter {
public:
    static constexpr size_t kMaxQueued = 8192;
    static constexpr std::chrono::milliseconds kFlushAfter{100};

    // write: turns one row into bytes (on the writer's thread); flush:
    // writes out what has gathered.
    TRowWriter(std::function<void(const TQueuedRow&)> write, std::function<void()> flush);
    // Finishes if Finish was not called.
    ~TRowWriter();
    TRowWriter(const TRowWriter&) = delete;
    TRowWriter& operator=(const TRowWriter&) = delete;

    // The job's worker: queues one row; mark is null for a row with nothing
    // to say.
    void Push(int row, QString source, QString target, const TRowMark* mark);
    // Writes every queued row, flushes, and ends the thread.
    void Finish();
    // The same, giving up the wait after timeout (a slow reader of the
    // output): true once the rows are all written; call again until it is.
    bool FinishWithin(std::chrono::milliseconds timeout);
    // True once a row could not be written (then no later row is).
    bool Broken() const { return FbBroken.load(); }

private:
    void Run();

    std::function<void(const TQueuedRow&)> FWrite;
    std::function<void()> FFlush;
    std::mutex FMutex;
    std::condition_variable FRowsCame;
    std::condition_variable FRoomMade;
    std::condition_variable FEnded;
    std::vector<TQueuedRow> FQueue;
    bool FbFinishing = false;
    bool FbWriterWaiting = false;
    bool FbEnded = false;
    std::atomic<bool> FbBroken{false};
    std::thread FThread;
};

} // namespace tarnwick
