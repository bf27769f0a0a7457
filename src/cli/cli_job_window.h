#pragma once
// The command-line front end's stand-in for the window: it holds the inputs
// from the command line and the grid the job fills. It has no event loop
// work of its own, so hand-offs run at once on the calling thread.

#include "engine/job_window.h"
#include "engine/result_grid.h"

#include <atomic>
#include <functional>

class TCliJobWindow : public TTarnwickJobWindow {
public:
    TCliJobWindow(QString source, QString newFolder, QString extension, QString delimiter,
                  int combMode);

    QString Edit2Text() const override { return FstSource; }
    QString Edit3Text() const override { return FstNewFolder; }
    QString Edit4Text() const override { return FstExtension; }
    QString Edit5Text() const override { return FstDelimiter; }
    int ComboBox1ItemIndex() const override { return FiCombMode; }

    int ProgressBar1Position() const override { return FiPosition; }
    void SetProgressBar1Position(int position) override { FiPosition = position; }
    int ProgressBar1Max() const override { return 500; }

    void SetGridRowCount(int rowCount) override;
    void ClearGridRow(int row) override { FGrid.ClearRow(row); }
    void SetGridCell(int col, int row, const QString& text) override {
        FGrid.SetCell(col, row, text);
    }
    void SetGridRowMark(int row, const TRowMark& mark) override { FGrid.SetRowMark(row, mark); }
    void ButtonEnable(bool) override {} // the command line has no inputs to enable
    void RunOnMainThread(const std::function<void()>& fn) override { fn(); }
    const std::atomic<bool>* StopFlag() const override { return &FStop; }

    const TResultGrid& Grid() const { return FGrid; }
    void RequestStop() { FStop.store(true); }

    // Called after each grown row, with the number of result rows so far.
    std::function<void(int)> OnRow;

private:
    QString FstSource, FstNewFolder, FstExtension, FstDelimiter;
    int FiCombMode;
    int FiPosition = 0;
    TResultGrid FGrid;
    std::atomic<bool> FStop{false};
};
