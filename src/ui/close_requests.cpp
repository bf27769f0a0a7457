#include "ui/close_requests.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QPointer>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <QSocketNotifier>
#include <QWidget>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xproto.h>

namespace tarnwick::ui {

namespace {

int gSignalPipe[2] = {-1, -1};
std::atomic<bool> gEndRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Closes every window, the modal ones first: a box waiting for a click
// returns as if it had been closed, and the handler that showed it goes on.
void EndFromOutside() {
    gEndRequested.store(true);
    QApplication::closeAllWindows();
}

extern "C" void OnEndSignal(int) {
    gEndRequested.store(true);
    const char byte = 1;
    // Nothing else is safe in a signal handler; the main thread does the rest.
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &byte, 1);
}

void InstallSignalHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
        gSignalPipe[0] = gSignalPipe[1] = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char buffer[16];
        [[maybe_unused]] const ssize_t got = ::read(gSignalPipe[1], buffer, sizeof buffer);
        EndFromOutside();
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
        if (FWindow->internalWinId() != 0 && destroyed->window == FWindow->internalWinId()) {
            gEndRequested.store(true);
            QMetaObject::invokeMethod(FWindow.data(), "close", Qt::QueuedConnection);
        }
        return false;
    }

private:
    QPointer<QWidget> FWindow;
};

} // namespace

void InstallEndRequestHandlers() {
    static bool installed = false;
    if (installed || qApp == nullptr)
        return;
    installed = true;
    InstallSignalHandlers();
#if QT_CONFIG(sessionmanager)
    // The session ends: the session manager asks for the data to be saved,
    // which here is closing the window (it stores the settings).
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [](QSessionManager&) { EndFromOutside(); });
#endif
}

void CloseOnEndRequests(QWidget* window) {
    InstallEndRequestHandlers();
    static TDestroyWatch* watch = nullptr;
    if (watch == nullptr) {
        watch = new TDestroyWatch(window);
        qApp->installNativeEventFilter(watch);
    }
}

bool EndRequestedFromOutside() {
    return gEndRequested.load();
}

} // namespace tarnwick::ui
