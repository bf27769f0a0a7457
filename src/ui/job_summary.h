#pragma once
// What the window says about a job once it has ended: one line for the
// bottom bar (how many files, how the job ended, how many rows carry each
// kind of mark, how many folders could not be listed) and a longer text for
// its tooltip (what the marks look like, the first folders not listed with
// their reasons).

#include "ui/mark_counts.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tarnwick::ui {

struct TUnlistedFolder {
    QString stPath;
    QString stReason;
};

struct TJobFacts {
    int iJobMode = 2;      // 2 simulation, 3 copy
    int iFiles = 0;        // result rows
    bool bStopped = false; // stopped before the walk's end
    int iStoppedAfter = 0; // rows handed over when it stopped
    TMarkCounts marks;
    int iUnlisted = 0;                     // folders that could not be listed
    std::vector<TUnlistedFolder> unlisted; // the first few of them
};

// How many unlisted folders the tooltip names.
inline constexpr int kUnlistedNamed = 5;

// "Copy File: 4 files, 1 failed copy, 1 repeated target": the kinds of mark
// that occur, in falling seriousness; a stopped job says after how many rows.
QString JobSummaryText(const TJobFacts& facts);
QString JobSummaryToolTip(const TJobFacts& facts);

} // namespace tarnwick::ui
