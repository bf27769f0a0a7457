#pragma once
// How many rows of the grid carry each kind of mark. A row with several
// marks counts once for each of them.

#include "engine/result_grid.h"

#include <vector>

namespace tarnwick::ui {

struct TMarkCounts {
    int iCopyFailed = 0; // tried and failed, not counting the cancelled
    int iNotCopied = 0;
    int iReplacesFile = 0;
    int iRepeatsRow = 0;
    int iCopyCancelled = 0; // stopped part way by a stop of the job

    bool Any() const {
        return iCopyFailed + iCopyCancelled + iNotCopied + iReplacesFile + iRepeatsRow > 0;
    }
    bool operator==(const TMarkCounts&) const = default;
};

// Counts the marks of grid rows 1 .. RowCount() - 1 among markedRows (the
// rows that may carry a mark, in any order). The only place the window
// counts marks.
TMarkCounts CountMarks(const TResultGrid& grid, const std::vector<int>& markedRows);

} // namespace tarnwick::ui
