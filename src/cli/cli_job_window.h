#pragma once
// The command-line front end's stand-in for the window. It holds the inputs
// from the command line and keeps no grid: each row the job hands over goes
// straight to OnRow, on the job's worker thread, as soon as the row count
// grows to include it. Hand-offs run at once on the calling thread, so the
// worker never waits for the main thread.

#include "engine/job_window.h"

#include <atomic>
#include <functional>
#include <vector>

struct TCliJobInputs {
    QString stSource, stNewFolder, stExtension, stDelimiter;
    int iCombMode = 0;
    bool bVerify = false;
};

class TCliJobWindow : public TTarnwickJobWindow {
public:
    explicit TCliJobWindow(TCliJobInputs inputs);

    QString Edit2Text() const override { return FInputs.stSource; }
    QString Edit3Text() const override { return FInputs.stNewFolder; }
    QString Edit4Text() const override { return FInputs.stExtension; }
    QString Edit5Text() const override { return FInputs.stDelimiter; }
    int ComboBox1ItemIndex() const override { return FInputs.iCombMode; }

    int ProgressBar1Position() const override { return FiPosition; }
    void SetProgressBar1Position(int position) override { FiPosition = position; }
    int ProgressBar1Max() const override { return 500; }

    void SetGridRowCount(int rowCount) override;
    void ClearGridRow(int row) override;
    void SetGridCell(int col, int row, const QString& text) override;
    void SetGridRowMark(int row, const TRowMark& mark) override;
    void ButtonEnable(bool) override {} // the command line has no inputs to enable
    void RunOnMainThread(const std::function<void()>& fn) override { fn(); }
    const std::atomic<bool>* StopFlag() const override { return &FStop; }
    bool VerifyCopies() const override { return FInputs.bVerify; }
    TJobProgress* Progress() override { return &FProgress; }
    void ReportUnlistedFolder(const QString& path, const QString& reason) override;
    void JobEnded(const TJobEnd& end) override;

    void RequestStop() { FStop.store(true); }
    std::atomic<bool>* StopFlagToRaise() { return &FStop; }
    const TJobProgress& LiveProgress() const { return FProgress; }
    // Valid once the job has ended.
    const TJobEnd& End() const { return FEnd; }

    // Each row once its cells (and mark, if any) are complete; mark is null
    // for a row with nothing to say. Called on the worker thread.
    // The texts are handed over: OnRow may keep them without a copy.
    std::function<void(int row, QString& source, QString& target, const TRowMark* mark)> OnRow;
    std::function<void(const QString& path, const QString& reason)> OnUnlistedFolder;

private:
    struct TPendingRow {
        int row = 0;
        QString cells[2];
        TRowMark mark;
        bool bMarked = false;
    };
    TPendingRow& Pending(int row);

    TCliJobInputs FInputs;
    int FiPosition = 0;
    std::vector<TPendingRow> FPending; // rows written but not yet counted in
    std::atomic<bool> FStop{false};
    TJobProgress FProgress;
    TJobEnd FEnd;
};
