#include "cli/row_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

using namespace tarnwick;

namespace {

// What a writer made of its rows: the rows in the order written, and what
// had been flushed at each flush.
struct TWritten {
    std::mutex mutex;
    std::vector<std::string> rows;
    size_t flushed = 0;
    std::thread::id thread;

    size_t Flushed() {
        std::lock_guard<std::mutex> lock(mutex);
        return flushed;
    }
};

} // namespace

// Many more rows than the queue holds: all of them, in order, with their
// marks, written on another thread, and all flushed at the end.
TEST(RowWriter, EveryRowInOrder) {
    TWritten w;
    constexpr int kRows = int(TRowWriter::kMaxQueued) * 5 + 17;
    {
        TRowWriter writer(
            [&w](const TQueuedRow& r) {
                std::lock_guard<std::mutex> lock(w.mutex);
                w.thread = std::this_thread::get_id();
                w.rows.push_back(std::to_string(r.row) + " " + r.source.toStdString() + " " +
                                 r.target.toStdString() + (r.mark ? " marked" : ""));
            },
            [&w] {
                std::lock_guard<std::mutex> lock(w.mutex);
                w.flushed = w.rows.size();
            });
        TRowMark mark;
        mark.iRepeatsRow = 1;
        for (int i = 1; i <= kRows; ++i)
            writer.Push(i, QString::number(i), QStringLiteral("t"), i % 1000 == 0 ? &mark : nullptr);
        writer.Finish();
        ASSERT_EQ(w.rows.size(), size_t(kRows));
        EXPECT_EQ(w.flushed, size_t(kRows));
    }
    EXPECT_NE(w.thread, std::this_thread::get_id());
    for (int i = 1; i <= kRows; ++i)
        ASSERT_EQ(w.rows[size_t(i - 1)],
                  std::to_string(i) + " " + std::to_string(i) + " t" + (i % 1000 == 0 ? " marked" : ""));
}

// A row that comes alone (a slow job) is flushed without waiting for more
// rows or for the end.
TEST(RowWriter, ARowThatComesAloneIsFlushed) {
    TWritten w;
    TRowWriter writer(
        [&w](const TQueuedRow&) {
            std::lock_guard<std::mutex> lock(w.mutex);
            w.rows.push_back("row");
        },
        [&w] {
            std::lock_guard<std::mutex> lock(w.mutex);
            w.flushed = w.rows.size();
        });
    for (int i = 1; i <= 3; ++i) {
        writer.Push(i, QStringLiteral("s"), QStringLiteral("t"), nullptr);
        // Liveness, not speed: the row shows while the writer is still open.
        for (int wait = 0; wait < 3000 && w.Flushed() < size_t(i); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(w.Flushed(), size_t(i));
    }
    writer.Finish();
}

// A row that cannot be made into bytes breaks the output: the rows after it
// are dropped, the writer still finishes, and says so.
TEST(RowWriter, ARowThatCannotBeWrittenBreaksTheOutput) {
    std::vector<int> written;
    TRowWriter writer(
        [&written](const TQueuedRow& r) {
            if (r.row == 5)
                throw std::bad_alloc();
            written.push_back(r.row);
        },
        [] {});
    for (int i = 1; i <= 3000; ++i)
        writer.Push(i, QStringLiteral("s"), QStringLiteral("t"), nullptr);
    writer.Finish();
    EXPECT_TRUE(writer.Broken());
    EXPECT_EQ(written, (std::vector<int>{1, 2, 3, 4}));
}
