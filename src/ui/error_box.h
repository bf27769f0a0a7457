#pragma once
// The one place where an error that a handler raised and did not handle ends
// up: the default error box, titled with the application's title, and the
// program goes on. Qt does not let exceptions cross its event loop, so the
// application catches them around every event it delivers, and the window
// wraps the handlers it connects to signals.

#include <QApplication>
#include <QString>
#include <utility>

namespace tarnwick::ui {

// The application's title, shown in the error box's title bar.
inline constexpr char kApplicationTitle[] = "Tarnwick Hub";

// The error box's text: the message, with a full stop added when its last
// character has a code above that of the full stop.
QString ErrorBoxText(const QString& message);

// Shows the default error box for message (any thread; from a thread other
// than the main one the box is shown on the main thread later).
void ShowErrorBox(const QString& message);

// To be called inside a catch block: shows the exception being handled.
void ReportCurrentException() noexcept;

// Runs handler; an exception that escapes it is shown in the error box.
template <typename F> void Guarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (...) {
        ReportCurrentException();
    }
}

// The program's application object: sets the title, and shows every
// exception that escapes an event handler instead of letting it cross the
// event loop.
class TTarnwickApplication : public QApplication {
    Q_OBJECT
public:
    TTarnwickApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarnwick::ui
