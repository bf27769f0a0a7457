#pragma once
// What tarnwick-cli says on standard error: one line for each failed copy and
// each folder that could not be listed, as they happen; one closing line that
// counts the marks; and, on a terminal, a progress line that the other lines
// clear before they are written. Safe to use from the worker and the main
// thread at once.

#include "engine/job_progress.h"
#include "engine/row_mark.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace tarnwick {

class TCliReport {
public:
    TCliReport(int fd, bool showProgress);

    // "tarnwick-cli: " + text as one line.
    void Line(const QString& text);

    // A row: counts its marks, and writes a line for a failed copy.
    void Row(const QString& source, const QString& target, const TRowMark& mark);
    void UnlistedFolder(const QString& path, const QString& reason);

    // Redraws the progress line (on a terminal only) from the job's figures.
    void Progress(const TJobProgress& progress, bool copying);
    void ClearProgress();

    // The counts of the marks in one line, or nothing when no row is marked.
    void ClosingLine(bool copying);

    std::int64_t FailedCopies() const;
    std::int64_t NotCopied() const;
    std::int64_t UnlistedFolders() const;

private:
    void WriteLocked(const std::string& bytes);
    void ClearLocked();

    int FiFd;
    bool FbShowProgress;
    mutable std::mutex FMutex;
    bool FbProgressShown = false;
    std::int64_t FiFailed = 0, FiNotCopied = 0, FiReplaces = 0, FiRepeats = 0, FiUnlisted = 0;
    std::int64_t FiCancelled = 0; // copies cut short by a stop, apart from the failed
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

// text with its control characters written as \xHH, so that a name holding
// a line break stays on its line.
QString VisibleText(const QString& text);

} // namespace tarnwick
