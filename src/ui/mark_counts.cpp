#include "ui/mark_counts.h"

namespace tarnwick::ui {

TMarkCounts CountMarks(const TResultGrid& grid, const std::vector<int>& markedRows) {
    TMarkCounts counts;
    for (const int row : markedRows) {
        if (row < 1 || row >= grid.RowCount())
            continue;
        const TRowMark* mark = grid.RowMark(row);
        if (mark == nullptr)
            continue;
        counts.iCopyFailed += mark->bCopyFailed && !mark->bCopyCancelled ? 1 : 0;
        counts.iCopyCancelled += mark->bCopyCancelled ? 1 : 0;
        counts.iNotCopied += mark->NotCopied() ? 1 : 0;
        counts.iReplacesFile += mark->bReplacesFile ? 1 : 0;
        counts.iRepeatsRow += mark->iRepeatsRow > 0 ? 1 : 0;
    }
    return counts;
}

} // namespace tarnwick::ui
