#pragma once
// Copies one file over another: content, permission bits and timestamps.
// The data goes to a temporary file in the target's folder that is renamed
// over the target once complete, so the target is always either its old
// content or the whole new one; the temporary file is removed on failure.
// When source and target are the same file nothing is written.

#include <QString>
#include <atomic>
#include <string>

namespace tarnwick {

struct CopyOutcome {
    enum Status { Copied, SameFile, Failed, Stopped };
    Status status = Failed;
    QString reason; // a short sentence for Failed and Stopped

    bool ok() const { return status == Copied || status == SameFile; }
};

// stop, when given, is checked between chunks; a raised flag cancels the copy.
CopyOutcome CopyFileReplacing(const std::string& source, const std::string& target,
                              const std::atomic<bool>* stop = nullptr);

} // namespace tarnwick
