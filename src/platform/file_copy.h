#pragma once
// Copies one file over another: content, permission bits and timestamps.
// The data goes to a temporary file in the target's folder that is renamed
// over the target once complete, so the target is always either its old
// content or the whole new one; the temporary file is removed on failure and
// on a stop. When source and target are the same file nothing is written.
//
// Source and target are each named by an open folder and a name in it, so a
// copy works at any depth. The content is cloned where the file system can
// share it, copied in the kernel where it can (on a network file system, on
// the server), and otherwise read and written; holes in a sparse source stay
// holes in the copy.

#include "platform/unique_fd.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <sys/stat.h>

namespace tarnwick {

struct TCopyOutcome {
    enum TStatus { Copied, SameFile, Failed, Stopped };
    TStatus status = Failed;
    QString reason; // a short sentence for Failed and Stopped

    bool Ok() const { return status == Copied || status == SameFile; }
};

struct TCopyOptions {
    // Raised: the copy is cancelled at the next piece.
    const std::atomic<bool>* stop = nullptr;
    // Grows by every byte of content written.
    std::atomic<std::uint64_t>* bytesCopied = nullptr;
    // How far into the file the copy has come.
    std::atomic<std::uint64_t>* fileDone = nullptr;
    // Read the copy back and compare it with its source before it replaces
    // the target.
    bool verify = false;
};

// A source file open for copying. Only a regular file is opened (a FIFO or a
// device that took a file's place is refused, and never waited on).
struct TCopySource {
    TUniqueFd file;
    struct stat status {};

    std::uint64_t Size() const { return static_cast<std::uint64_t>(status.st_size); }
};
TCopyOutcome OpenCopySource(int dirFd, const char* name, TCopySource& source);

// Copies source to targetName in the open folder targetDirFd, replacing a
// file that is there.
TCopyOutcome CopyFileReplacing(const TCopySource& source, int targetDirFd, const char* targetName,
                               const TCopyOptions& options = {});

} // namespace tarnwick
