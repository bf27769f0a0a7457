#pragma once
// Bytes on their way to standard output or a file, written in large blocks:
// the job's worker appends each row and writes only when a block is full, so
// it makes no system call per row; a thread of its own writes out what has
// gathered a few times a second, so rows that trickle in (slow copies) still
// show promptly, and nobody but the writers waits for a slow reader. Memory
// stays at about one block whatever the number of rows.
//
// A write that fails (a closed pipe, a full disk) ends the output: the
// failure callback runs once (it stops the job) and later bytes are dropped.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tarnwick {

class TBlockOutput {
public:
    // Writes all of the bytes or returns false with a short reason.
    using TSink = std::function<bool(std::string_view bytes, QString* why)>;

    static constexpr size_t kBlock = size_t(1) << 20;

    TBlockOutput(TSink sink, std::function<void()> onFailure);

    // Any thread: fill(buffer) appends bytes to the output's buffer under
    // the output's lock (so whatever fill uses is guarded by it too).
    template <class Fill> void Append(Fill&& fill) {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FbFailed)
            return;
        fill(FBuffer);
        if (FBuffer.size() >= kBlock)
            WriteHeld();
    }
    void AppendBytes(std::string_view bytes) {
        Append([bytes](std::string& buffer) { buffer.append(bytes); });
    }

    // Called under the lock before Flush writes: appends what a filler still
    // holds back.
    void SetDrain(std::function<void(std::string&)> drain) { FDrain = std::move(drain); }

    // Any thread: drains and writes what has gathered. When wait is false
    // and another thread holds the output, returns at once.
    void Flush(bool wait = true);

    bool Failed() const;
    QString FailureReason() const;

private:
    void WriteHeld(); // with FMutex held

    TSink FSink;
    std::function<void()> FOnFailure;
    std::function<void(std::string&)> FDrain;
    mutable std::mutex FMutex;
    std::string FBuffer;
    bool FbFailed = false;
    QString FstWhy;
};

// Flushes outputs every interval on a thread of its own until destroyed.
class TPeriodicFlush {
public:
    TPeriodicFlush(std::vector<TBlockOutput*> outputs, std::chrono::milliseconds interval);
    ~TPeriodicFlush();
    TPeriodicFlush(const TPeriodicFlush&) = delete;
    TPeriodicFlush& operator=(const TPeriodicFlush&) = delete;

private:
    void Run();

    std::vector<TBlockOutput*> FOutputs;
    std::chrono::milliseconds FInterval;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FbStop = false;
    std::thread FThread;
};

// A sink for a descriptor such as standard output; a closed pipe says so.
TBlockOutput::TSink DescriptorSink(int fd, QString name);

} // namespace tarnwick
