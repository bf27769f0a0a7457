#include "row_writer.h"

namespace tarnwick {

namespace {
// A waiting writer is woken once this many rows are queued (or the bytes it
// holds are due), not for every row.
constexpr size_t kWakeAfterRows = 2048;
} // namespace

TRowWriter::TRowWriter(std::function<void(const TQueuedRow&)> write, std::function<void()> flush)
    : FWrite(std::move(write)), FFlush(std::move(flush)) {
    FQueue.reserve(kMaxQueued);
    FThread = std::thread([this] { Run(); });
}

TRowWriter::~TRowWriter() {
    Finish();
}

void TRowWriter::Push(int row, QString source, QString target, const TRowMark* mark) {
    std::unique_lock<std::mutex> lock(FMutex);
    FRoomMade.wait(lock, [this] { return FQueue.size() < kMaxQueued; });
    FQueue.push_back({row, std::move(source), std::move(target),
                      mark ? std::optional<TRowMark>(*mark) : std::nullopt});
    if (FbWriterWaiting && FQueue.size() >= kWakeAfterRows)
        FRowsCame.notify_one();
}

void TRowWriter::Finish() {
    while (!FinishWithin(std::chrono::hours(1))) {
    }
}

bool TRowWriter::FinishWithin(std::chrono::milliseconds timeout) {
    {
        std::unique_lock<std::mutex> lock(FMutex);
        if (!FThread.joinable())
            return true;
        FbFinishing = true;
        FRowsCame.notify_one();
        if (!FEnded.wait_for(lock, timeout, [this] { return FbEnded; }))
            return false;
    }
    FThread.join();
    return true;
}

void TRowWriter::Run() {
    using TClock = std::chrono::steady_clock;
    std::vector<TQueuedRow> rows;
    rows.reserve(kMaxQueued);
    bool holding = false;         // bytes written since the last flush
    TClock::time_point heldSince; // when the first of them came
    std::unique_lock<std::mutex> lock(FMutex);
    for (;;) {
        // Wait for a good handful of rows, for the end, or until what is
        // held is due.
        const auto ready = [this] { return FbFinishing || FQueue.size() >= kWakeAfterRows; };
        FbWriterWaiting = true;
        if (holding)
            FRowsCame.wait_until(lock, heldSince + kFlushAfter, ready);
        else
            FRowsCame.wait_for(lock, kFlushAfter, ready);
        FbWriterWaiting = false;
        rows.swap(FQueue);
        const bool finishing = FbFinishing;
        lock.unlock();
        FRoomMade.notify_all();

        if (!rows.empty() && !holding) {
            holding = true;
            heldSince = TClock::now();
        }
        // A row that cannot be made into bytes (out of memory) breaks the
        // output: later rows are dropped and Broken() says so.
        for (const TQueuedRow& row : rows) {
            if (FbBroken.load(std::memory_order_relaxed))
                break;
            try {
                FWrite(row);
            } catch (...) {
                FbBroken.store(true);
            }
        }
        rows.clear();
        if (holding && (finishing || TClock::now() - heldSince >= kFlushAfter)) {
            FFlush();
            holding = false;
        }
        lock.lock();
        if (finishing && FQueue.empty()) {
            FbEnded = true;
            FEnded.notify_all();
            return;
        }
    }
}

} // namespace tarnwick
