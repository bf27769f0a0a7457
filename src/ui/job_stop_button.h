#pragma once
// Stopping a running job from the window: a "Stop" button in the free place
// right of the job buttons (no designed control moves for it) and the Esc
// key. Both are live only while a job runs; Esc belongs to the window, so
// while a dialog is open the key goes to the dialog.

#include <QObject>
#include <functional>

class QPushButton;
class QShortcut;
class QWidget;

namespace tarnwick::ui {

class TJobStopButton : public QObject {
    Q_OBJECT
public:
    // The button goes into panel at the place given; onStop runs on the
    // first press of either while a job runs, and not again until the next job.
    TJobStopButton(QWidget* window, QWidget* panel, const QRect& place,
                   std::function<void()> onStop);

    QPushButton* Button() const { return FButton; }
    QShortcut* Shortcut() const { return FEscape; }

    void JobStarted();
    void JobEnded();
    bool Armed() const { return FbArmed; }

private:
    void Stop();

    QPushButton* FButton;
    QShortcut* FEscape;
    std::function<void()> FOnStop;
    bool FbArmed = false;
};

} // namespace tarnwick::ui
