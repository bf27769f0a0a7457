#include "ui/error_box.h"

#include "ui/dialog_seam.h"

#include <QMetaObject>
#include <QThread>
#include <exception>

namespace tarnwick::ui {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorBox(const QString& message) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [message] { ShowErrorBox(message); }, Qt::QueuedConnection);
        return;
    }
    Dialogs().ShowMessage(QApplication::activeWindow(), QString::fromUtf8(kApplicationTitle),
                          ErrorBoxText(message), QMessageBox::Critical);
}

void ReportCurrentException() noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& error) {
            ShowErrorBox(QString::fromUtf8(error.what()));
        } catch (...) {
            ShowErrorBox(QStringLiteral("An unknown error occurred"));
        }
    } catch (...) {
        // Showing the box failed as well; there is nobody left to tell.
    }
}

TTarnwickApplication::TTarnwickApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(kApplicationTitle));
}

bool TTarnwickApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

} // namespace tarnwick::ui
