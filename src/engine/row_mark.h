#pragma once
// What a result row says beyond its two cells: whether its copy failed (and
// why), and whether its target path repeats the target of an earlier row.

#include <QString>

struct TRowMark {
    bool bCopyFailed = false;
    QString stReason;  // why the copy failed; empty otherwise
    int iRepeatsRow = 0; // the first earlier row with the same target path, or 0

    bool IsEmpty() const { return !bCopyFailed && iRepeatsRow == 0; }
};
