#pragma once
// Live figures of a running job, written by its worker and read by whoever
// follows the job (the window's bottom bar, the command line's progress
// line) without a hand-off. The counters are relaxed atomics; the name of
// the file being copied is guarded by a mutex and set only for files large
// enough to take a noticeable time.

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

struct TJobProgress {
    std::atomic<std::int64_t> iRows{0};          // result rows handed over so far
    std::atomic<std::uint64_t> uBytesCopied{0};  // bytes written by finished and running copies
    std::atomic<std::uint64_t> uFileDone{0};     // bytes of the current large file so far
    std::atomic<std::uint64_t> uFileSize{0};     // its size; 0 when no large file is copying

    // Files at least this large are named while they copy.
    static constexpr std::uint64_t kLargeFile = std::uint64_t(16) << 20;

    void BeginLargeFile(const QString& path, std::uint64_t size) {
        std::lock_guard<std::mutex> lock(FMutex);
        FstFile = path;
        uFileDone.store(0, std::memory_order_relaxed);
        uFileSize.store(size, std::memory_order_relaxed);
    }
    void EndLargeFile() {
        std::lock_guard<std::mutex> lock(FMutex);
        FstFile.clear();
        uFileSize.store(0, std::memory_order_relaxed);
        uFileDone.store(0, std::memory_order_relaxed);
    }
    QString LargeFile() const {
        std::lock_guard<std::mutex> lock(FMutex);
        return FstFile;
    }
    void Reset() {
        EndLargeFile();
        iRows.store(0, std::memory_order_relaxed);
        uBytesCopied.store(0, std::memory_order_relaxed);
    }

private:
    mutable std::mutex FMutex;
    QString FstFile;
};
