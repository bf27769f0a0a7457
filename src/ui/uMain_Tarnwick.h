#pragma once
// The main window: the source and new-folder boxes with their pickers, the
// extension box, the naming-mode list, the delimiter box, the job buttons,
// the CSV export, the result grid and the progress bar. It loads its
// settings when it is created and stores them when it is destroyed, and it
// is the window a copy job reports to.

#include "engine/job_progress.h"
#include "engine/job_window.h"
#include "engine/result_grid.h"
#include "ui/job_summary.h"

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QToolButton;
class TMainThreadHandOff;
class TResultGridModel;
class TTarnwickIni;

namespace tarnwick::ui {
class TSaveDialog;
class TGridClipboard;
class TGridColumnFit;
class TGridRowMenu;
class TJobStopButton;
class TLiveStatus;
class TMarkedRowNavigation;
class TStatusProgressBar;
} // namespace tarnwick::ui

class TfmTarnwickHub : public QWidget, public TTarnwickJobWindow {
    Q_OBJECT
public:
    // settingsPath empty: the settings file beside the executable.
    explicit TfmTarnwickHub(const QString& settingsPath = QString(), QWidget* parent = nullptr);
    ~TfmTarnwickHub() override;

    // The controls, named as their object names.
    QPushButton* Button1;
    QLineEdit* Edit1;
    QFrame* Panel1;
    QLabel* Label1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLabel* Label2;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QLabel* Label3;
    QLineEdit* Edit4;
    QComboBox* ComboBox1;
    QPushButton* Button2;
    QPushButton* Button3;
    QFrame* Panel2;
    QProgressBar* ProgressBar1;
    QPushButton* Button4;
    tarnwick::ui::TSaveDialog* SaveDialog1;
    QTableView* StringGrid1;
    QLineEdit* Edit5;
    QLabel* Label4;
    // Beyond the designed controls: the mode list's label and the Stop button.
    QLabel* Label5 = nullptr;
    QPushButton* StopButton = nullptr;

    // The handlers.
    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void FormResize(QObject* Sender);
    void Panel2Resize(QObject* Sender);
    void ComboBox1Change(QObject* Sender);
    void ButtonEnable(bool value) override;
    void Button1Click(QObject* Sender);
    void Button2Click(QObject* Sender);
    void ShowNotice(int n);
    void SpButtonClick(QObject* Sender);
    void Button4Click(QObject* Sender);

    // The grid's texts and marks, and its model.
    const TResultGrid& Grid() const;
    TResultGridModel* GridModel() const { return FGridModel; }

    // Asks the running job to stop (the Stop button and Esc).
    void StopJob();

    // What the window adds for long jobs and for finding rows.
    tarnwick::ui::TJobStopButton* JobStopButton() const { return FStopButton; }
    tarnwick::ui::TLiveStatus* LiveStatus() const { return FLiveStatus; }
    tarnwick::ui::TMarkedRowNavigation* Navigation() const { return FNavigation; }
    tarnwick::ui::TGridClipboard* GridClipboard() const { return FClipboard; }
    tarnwick::ui::TGridRowMenu* RowMenu() const { return FRowMenu; }

    // True from the start of a job until its object is gone.
    bool JobRunning() const { return FiJobsAlive > 0; }
    // What the window says about the last job that ended; empty before.
    QString JobSummary() const;

    // TTarnwickJobWindow.
    QString Edit2Text() const override;
    QString Edit3Text() const override;
    QString Edit4Text() const override;
    QString Edit5Text() const override;
    int ComboBox1ItemIndex() const override;
    int ProgressBar1Position() const override;
    void SetProgressBar1Position(int position) override;
    int ProgressBar1Max() const override;
    void SetGridRowCount(int rowCount) override;
    void ClearGridRow(int row) override;
    void SetGridCell(int col, int row, const QString& text) override;
    void SetGridRowMark(int row, const TRowMark& mark) override;
    void RunOnMainThread(const std::function<void()>& fn) override;
    const std::atomic<bool>* StopFlag() const override { return &FbStop; }
    TJobProgress* Progress() override { return &FProgress; }
    void ReportUnlistedFolder(const QString& path, const QString& reason) override;
    void JobEnded(const TJobEnd& end) override;

signals:
    // A job object has been destroyed.
    void JobGone();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CreateControls();
    void AlignPanels();
    void AddModeItems();
    void SetOuterGeometry(int top, int left, int width, int height);
    void ApplyOuterGeometryOnceFramed();
    void StopJobAndWait();
    void ShowJobSummary();
    void ShowProgressPosition();
    void ClearJobSummary();

    std::unique_ptr<TTarnwickIni> FIni;
    // The job's hand-offs to the main thread (a child of the window).
    QString FstSettingsPath;
    TResultGridModel* FGridModel = nullptr;
    TMainThreadHandOff* FHandOff = nullptr;
    std::atomic<bool> FbStop{false};
    TJobProgress FProgress;
    TJobEnd FJobEnd;
    int FiUnlisted = 0;
    std::vector<tarnwick::ui::TUnlistedFolder> FUnlisted;   // the first few
    tarnwick::ui::TStatusProgressBar* FStatusBar = nullptr; // ProgressBar1
    tarnwick::ui::TJobStopButton* FStopButton = nullptr;
    tarnwick::ui::TLiveStatus* FLiveStatus = nullptr;
    tarnwick::ui::TMarkedRowNavigation* FNavigation = nullptr;
    tarnwick::ui::TGridClipboard* FClipboard = nullptr;
    tarnwick::ui::TGridRowMenu* FRowMenu = nullptr;
    tarnwick::ui::TGridColumnFit* FColumnFit = nullptr;
    int FiProgressPosition = 0;        // ProgressBar1's position, shown at the next pass
    bool FbProgressShowQueued = false;
    int FiJobsAlive = 0;
    bool FbJobPending = false; // a job started and has not yet enabled the inputs
    int FiJobMode = 0;
    bool FbClosing = false;
    bool FbDestroyed = false;
    QString FstJobSummary;
    // The outer geometry FormCreate asked for, applied again once the window
    // system has told the frame's size (it is not known before the window shows).
    QRect FOuterWanted;
    bool FbOuterPending = false;
    QElapsedTimer FShownFor;
    int FiPanel2Width = -1;
    int FiPanel2Height = -1;
};
