#pragma once
// What a copy job needs of the window that started it. The window, the
// command-line front end and the tests implement it.
//
// Every operation but RunOnMainThread and StopFlag is called on the main
// thread only, from inside a hand-off or from the job's constructor.

#include "engine/job_progress.h"
#include "engine/row_mark.h"

#include <QString>
#include <atomic>
#include <functional>

class TTarnwickJobWindow {
public:
    virtual ~TTarnwickJobWindow() = default;

    // The inputs: source folder, new folder, extension, delimiter, naming mode.
    virtual QString Edit2Text() const = 0;
    virtual QString Edit3Text() const = 0;
    virtual QString Edit4Text() const = 0;
    virtual QString Edit5Text() const = 0;
    virtual int ComboBox1ItemIndex() const = 0; // -1 when no item is selected

    // The progress bar.
    virtual int ProgressBar1Position() const = 0;
    virtual void SetProgressBar1Position(int position) = 0;
    virtual int ProgressBar1Max() const = 0;

    // The two-column grid; row 0 holds the captions and is never written by a job.
    // A row's cells are written before the row count grows to include it.
    virtual void SetGridRowCount(int rowCount) = 0;
    virtual void ClearGridRow(int row) = 0;
    virtual void SetGridCell(int col, int row, const QString& text) = 0;
    // Called for a row with something to say, after its cells and before the
    // row count grows to include it.
    virtual void SetGridRowMark(int row, const TRowMark& mark) = 0;

    virtual void ButtonEnable(bool value) = 0;

    // Any thread: runs fn on the main thread and returns once it has run.
    virtual void RunOnMainThread(const std::function<void()>& fn) = 0;

    // Any thread: a flag the job reads to stop at the next entry and inside a
    // long copy; null when the job is never asked to stop.
    virtual const std::atomic<bool>* StopFlag() const { return nullptr; }

    // Main thread: whether copy mode reads each copy back from the disk and
    // compares it with its source before it replaces the target.
    virtual bool VerifyCopies() const { return false; }

    // Any thread: live figures the job keeps up to date; null when nobody
    // follows them. The job resets them in its constructor.
    virtual TJobProgress* Progress() { return nullptr; }

    // Main thread, inside a hand-off: a folder the walk could not list (the
    // source folder included, when it does not exist or cannot be read),
    // with a short reason. The walk goes on with the next entry.
    virtual void ReportUnlistedFolder(const QString& path, const QString& reason) {
        (void)path;
        (void)reason;
    }

    // Main thread, inside the completion hand-off, before ButtonEnable(true):
    // how the job ended.
    struct TJobEnd {
        bool bStopped = false; // a stop was requested and the walk did not finish
        int iRows = 0;         // result rows handed over
    };
    virtual void JobEnded(const TJobEnd& end) { (void)end; }
};
