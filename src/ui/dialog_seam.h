#pragma once
// Every modal dialog and message box the window shows goes through one
// TDialogSeam. The program uses Qt's dialogs; tests install a fake so that
// nothing ever waits for a person.

#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace tarnwick::ui {

// The window's save-file dialog as a component: what it is set up with and
// what it keeps from the last confirmed choice (the file name and the file
// type), for as long as the window lives.
class TSaveDialog : public QObject {
    Q_OBJECT
public:
    explicit TSaveDialog(QObject* parent = nullptr);

    const QString& InitialDir() const { return FstInitialDir; }
    void SetInitialDir(const QString& value) { FstInitialDir = value; }
    const QStringList& Filters() const { return FFilters; }
    void SetFilters(const QStringList& value) { FFilters = value; }
    int FilterIndex() const { return FiFilterIndex; } // 0 = the first file type
    void SetFilterIndex(int value) { FiFilterIndex = value; }
    const QString& FileName() const { return FstFileName; }
    void SetFileName(const QString& value) { FstFileName = value; }

    // Shows the dialog through the installed seam. True when the user
    // confirmed a name; FileName and FilterIndex then hold the choice.
    bool Execute(QWidget* owner);

private:
    QString FstInitialDir;
    QStringList FFilters;
    int FiFilterIndex = 0;
    QString FstFileName;
};

class TDialogSeam {
public:
    virtual ~TDialogSeam() = default;

    // A modal message box with an OK button only.
    virtual void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                             QMessageBox::Icon icon) = 0;

    // A folder picker; initialFolder empty: none. Returns the chosen folder's
    // full path, nothing when cancelled.
    virtual std::optional<QString> PickFolder(QWidget* owner, const QString& title,
                                              const QString& initialFolder) = 0;

    // The save dialog set up as dialog says; on a confirmed choice stores the
    // chosen name and file type into dialog and returns true.
    virtual bool PickSaveFile(QWidget* owner, TSaveDialog& dialog) = 0;
};

// The seam in use: the Qt dialogs unless a test installed another one.
TDialogSeam& Dialogs();

// Installs seam (not owned) for the lifetime of the guard.
class TScopedDialogSeam {
public:
    explicit TScopedDialogSeam(TDialogSeam* seam);
    ~TScopedDialogSeam();
    TScopedDialogSeam(const TScopedDialogSeam&) = delete;
    TScopedDialogSeam& operator=(const TScopedDialogSeam&) = delete;

private:
    TDialogSeam* FPrevious;
};

// Where a dialog of the given outer size goes to sit in the centre of the
// monitor: each half truncated toward zero.
QPoint CentredOnMonitor(const QRect& monitor, const QSize& dialog);

} // namespace tarnwick::ui
