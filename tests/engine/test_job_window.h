#pragma once
// A window stand-in for copy-job tests: it keeps the grid and progress bar,
// records what the job did, and runs hand-offs on the test's main thread
// through the same blocking hand-off as the real window.

#include "engine/job_window.h"
#include "engine/main_thread_hand_off.h"
#include "engine/result_grid.h"
#include "engine/tarnwick_hub_thread.h"

#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <vector>

class TTestJobWindow : public QObject, public TTarnwickJobWindow {
public:
    QString source, newFolder, extension, delimiter = QStringLiteral("_");
    int combMode = 0;
    int position = 0;
    int positionMax = 500;
    std::vector<int> positions;     // the bar's position at each row
    std::vector<bool> enableCalls;  // ButtonEnable arguments, in order
    bool offMainThread = false;     // a window operation ran on another thread
    TResultGrid grid;
    TMainThreadHandOff handOff;
    std::atomic<bool> stop{false};
    std::function<void(int)> onRowCount; // test hook, after the row count grows
    int throwAtRow = 0;                  // a grid write for this row throws
    std::vector<std::pair<QString, QString>> unlisted; // folders reported, with reasons
    std::vector<TJobEnd> ends;
    TJobProgress progress;

    QString Edit2Text() const override { return source; }
    QString Edit3Text() const override { return newFolder; }
    QString Edit4Text() const override { return extension; }
    QString Edit5Text() const override { return delimiter; }
    int ComboBox1ItemIndex() const override { return combMode; }
    int ProgressBar1Position() const override { return position; }
    void SetProgressBar1Position(int p) override {
        Touch();
        position = p;
    }
    int ProgressBar1Max() const override { return positionMax; }
    void SetGridRowCount(int n) override {
        Touch();
        grid.SetRowCount(n);
        if (onRowCount)
            onRowCount(n);
    }
    void ClearGridRow(int row) override { grid.ClearRow(row); }
    void SetGridCell(int col, int row, const QString& text) override {
        Touch();
        if (row == throwAtRow)
            throw std::runtime_error("the grid cannot take this row");
        if (col == 0)
            positions.push_back(position); // the bar has moved for this row
        grid.SetCell(col, row, text);
    }
    void SetGridRowMark(int row, const TRowMark& mark) override { grid.SetRowMark(row, mark); }
    void ButtonEnable(bool value) override {
        Touch();
        enableCalls.push_back(value);
    }
    void RunOnMainThread(const std::function<void()>& fn) override { handOff.Run(fn); }
    const std::atomic<bool>* StopFlag() const override { return &stop; }
    TJobProgress* Progress() override { return &progress; }
    void ReportUnlistedFolder(const QString& path, const QString& reason) override {
        Touch();
        unlisted.emplace_back(path, reason);
    }
    void JobEnded(const TJobEnd& end) override {
        Touch();
        ends.push_back(end);
    }

    // Runs one job to its end; false when it did not end at all (the time is
    // a guard against a hang, far beyond what any job here takes).
    bool Run(int jobMode, int timeoutMs = 120000) {
        unlisted.clear();
        TTarnwickHubThread* job = TTarnwickHubThread::Create(this, jobMode);
        QEventLoop loop;
        bool ended = false;
        QObject::connect(job, &QObject::destroyed, &loop, [&] {
            ended = true;
            loop.quit();
        });
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        job->Start();
        loop.exec();
        return ended;
    }

    std::vector<std::pair<QString, QString>> Rows() const {
        std::vector<std::pair<QString, QString>> rows;
        // A result row always has a source path; an empty row 1 is no result.
        for (int r = 1; r < grid.RowCount(); ++r)
            if (!grid.CellView(0, r).isEmpty())
                rows.emplace_back(grid.Cell(0, r), grid.Cell(1, r));
        return rows;
    }

private:
    void Touch() {
        if (QThread::currentThread() != thread())
            offMainThread = true;
    }
};
