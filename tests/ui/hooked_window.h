#pragma once
// The main window with a hook after each change of the grid's row count.
// A job changes the row count inside its per-row hand-off, while its worker
// waits: whatever the hook does happens while the job is certainly running,
// between two of its rows.

#include "ui/uMain_Tarnwick.h"

#include <functional>

class THookedWindow : public TfmTarnwickHub {
public:
    using TfmTarnwickHub::TfmTarnwickHub;

    std::function<void(int)> onRowCount; // the new row count

    void SetGridRowCount(int rowCount) override {
        TfmTarnwickHub::SetGridRowCount(rowCount);
        if (onRowCount)
            onRowCount(rowCount);
    }
};
