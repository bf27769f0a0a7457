#pragma once
// Bytes on their way to standard output or a file, written in large blocks:
// rows are appended one by one and written only when a block is full (or on
// Flush), so there is no system call per row. Memory stays at about one
// block whatever the number of rows.
//
// A write that fails (a closed pipe, a full disk) ends the output: the
// failure callback runs once (it stops the job) and later bytes are dropped.

#include <QString>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
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

    // Any thread: writes what has gathered. When wait is false and another
    // thread holds the output, returns at once.
    void Flush(bool wait = true);

    bool Failed() const;
    QString FailureReason() const;

private:
    void WriteHeld(); // with FMutex held

    TSink FSink;
    std::function<void()> FOnFailure;
    mutable std::mutex FMutex;
    std::string FBuffer;
    bool FbFailed = false;
    QString FstWhy;
};

// A sink for a descriptor such as standard output; a closed pipe says so.
TBlockOutput::TSink DescriptorSink(int fd, QString name);

} // namespace tarnwick
