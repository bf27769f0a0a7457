#include "ui/close_requests.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xproto.h>

namespace tarnwick::ui {

namespace {

int gSignalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; the main thread does the rest.
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &byte, 1);
}

void InstallSignalHandlers() {
    if (gSignalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
        gSignalPipe[0] = gSignalPipe[1] = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char buffer[16];
        [[maybe_unused]] const ssize_t got = ::read(gSignalPipe[1], buffer, sizeof buffer);
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// Watches for the destruction of the window's X window by someone else.
class TDestroyWatch : public QAbstractNativeEventFilter {
public:
    explicit TDestroyWatch(QWidget* window) : FWindow(window) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t" || FWindow.isNull())
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (FWindow->internalWinId() != 0 && destroyed->window == FWindow->internalWinId())
            QMetaObject::invokeMethod(FWindow.data(), "close", Qt::QueuedConnection);
        return false;
    }

private:
    QPointer<QWidget> FWindow;
};

} // namespace

void CloseOnEndRequests(QWidget* window) {
    InstallSignalHandlers();
    static TDestroyWatch* watch = nullptr;
    if (watch == nullptr) {
        watch = new TDestroyWatch(window);
        qApp->installNativeEventFilter(watch);
    }
}

} // namespace tarnwick::ui
