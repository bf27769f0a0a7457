#include "ui/error_box.h"

#include "ui/close_requests.h"
#include "ui/dialog_seam.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMetaObject>
#include <QThread>
#include <cstdio>
#include <exception>
#include <tarnwick/build_config.h>

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
    if (EndRequestedFromOutside()) {
        // Nobody is there to click a box any more: say it and go on ending.
        const QByteArray line = (QString::fromUtf8(kApplicationTitle) + QStringLiteral(": ") +
                                 ErrorBoxText(message) + u'\n')
                                    .toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        return;
    }
    Dialogs().ShowMessage(QApplication::activeWindow(), QString::fromUtf8(kApplicationTitle),
                          ErrorBoxText(message), QMessageBox::Critical);
}

QIcon ProgramIcon() {
    const QString id = QStringLiteral(TARNWICK_APP_ID);
    // Every size rendered at build time, each in its own folder.
    QIcon bundled;
    const QDir sizes(QStringLiteral(":/icons/hicolor"));
    for (const QString& size : sizes.entryList(QDir::Dirs)) {
        const QString file =
            sizes.filePath(size + QStringLiteral("/apps/") + id + QStringLiteral(".png"));
        if (QFile::exists(file))
            bundled.addFile(file);
    }
    return QIcon::fromTheme(id, bundled);
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
    setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    // The desktop entry's name: desktops match the window to its menu entry.
    setDesktopFileName(QStringLiteral(TARNWICK_APP_ID));
    setWindowIcon(ProgramIcon());
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
