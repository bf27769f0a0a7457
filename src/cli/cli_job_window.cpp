#include "cli_job_window.h"

#include <algorithm>

TCliJobWindow::TCliJobWindow(TCliJobInputs inputs) : FInputs(std::move(inputs)) {}

TCliJobWindow::TPendingRow& TCliJobWindow::Pending(int row) {
    // The job writes one row at a time: the last one is the usual answer.
    if (!FPending.empty() && FPending.back().row == row)
        return FPending.back();
    for (TPendingRow& p : FPending)
        if (p.row == row)
            return p;
    FPending.emplace_back();
    FPending.back().row = row;
    return FPending.back();
}

void TCliJobWindow::SetGridCell(int col, int row, const QString& text) {
    if (row >= 1 && col >= 0 && col < 2)
        Pending(row).cells[col] = text;
}

void TCliJobWindow::SetGridRowMark(int row, const TRowMark& mark) {
    if (row < 1)
        return;
    TPendingRow& p = Pending(row);
    p.mark = mark;
    p.bMarked = !mark.IsEmpty();
}

void TCliJobWindow::ClearGridRow(int row) {
    FPending.erase(std::remove_if(FPending.begin(), FPending.end(),
                                  [row](const TPendingRow& p) { return p.row == row; }),
                   FPending.end());
}

void TCliJobWindow::SetGridRowCount(int rowCount) {
    // Rows below the new count are complete; hand them on in order.
    if (FPending.empty())
        return;
    if (FPending.size() > 1)
        std::sort(FPending.begin(), FPending.end(),
                  [](const TPendingRow& a, const TPendingRow& b) { return a.row < b.row; });
    size_t done = 0;
    for (; done < FPending.size() && FPending[done].row < rowCount; ++done) {
        TPendingRow& p = FPending[done];
        if (OnRow)
            OnRow(p.row, p.cells[0], p.cells[1], p.bMarked ? &p.mark : nullptr);
    }
    FPending.erase(FPending.begin(), FPending.begin() + static_cast<std::ptrdiff_t>(done));
}

void TCliJobWindow::ReportUnlistedFolder(const QString& path, const QString& reason) {
    if (OnUnlistedFolder)
        OnUnlistedFolder(path, reason);
}

void TCliJobWindow::JobEnded(const TJobEnd& end) {
    FEnd = end;
}
