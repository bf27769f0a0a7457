#include "ui/job_stop_button.h"

#include <QPushButton>
#include <QShortcut>

namespace tarnwick::ui {

TJobStopButton::TJobStopButton(QWidget* window, QWidget* panel, const QRect& place,
                               std::function<void()> onStop)
    : QObject(window), FOnStop(std::move(onStop)) {
    FButton = new QPushButton(QStringLiteral("Stop"), panel);
    FButton->setObjectName(QStringLiteral("StopButton"));
    FButton->setGeometry(place);
    FButton->setAutoDefault(false);
    FButton->setAccessibleName(QStringLiteral("Stop"));
    FButton->setAccessibleDescription(QStringLiteral("Stops the running job (Esc)"));
    FButton->setToolTip(QStringLiteral("Stop the running job (Esc)"));
    FButton->setEnabled(false);
    connect(FButton, &QPushButton::clicked, this, &TJobStopButton::Stop);

    FEscape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    FEscape->setContext(Qt::WindowShortcut);
    FEscape->setEnabled(false);
    connect(FEscape, &QShortcut::activated, this, &TJobStopButton::Stop);
}

void TJobStopButton::JobStarted() {
    FbArmed = true;
    FButton->setEnabled(true);
    FEscape->setEnabled(true);
}

void TJobStopButton::JobEnded() {
    FbArmed = false;
    FButton->setEnabled(false);
    FEscape->setEnabled(false);
}

void TJobStopButton::Stop() {
    if (!FbArmed)
        return;
    FbArmed = false;
    // Pressed once is enough: the job is on its way out.
    FButton->setEnabled(false);
    FEscape->setEnabled(false);
    FOnStop();
}

} // namespace tarnwick::ui
