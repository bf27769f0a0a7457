#pragma once
// The one place where an error that a handler raised and did not handle ends
// up: the default error box, titled with the application's title, and the
// program goes on. Qt does not let exceptions cross its event loop, so the
// application catches them around every event it delivers, and the window
// wraps the handlers it connects to signals.

#include <QApplication>
#include <QIcon>
#include <QString>
#include <utility>

namespace tarnwick::ui {

// The application's title, shown in the error box's title bar.
inline constexpr char kApplicationTitle[] = "Tarnwick Hub";

// The error box's text: the message, with a full stop added when its last
// character has a code above that of the full stop.
QString ErrorBoxText(const QString& message);

// Shows the default error box for message (any thread; from a thread other
// than the main one the box is shown on the main thread later). Once the
// program has been asked to end from outside (close_requests.h) the text
// goes to standard error instead, after the title, and nothing waits.
void ShowErrorBox(const QString& message);

// The program's icon: the icon theme's, else the one built into the program.
QIcon ProgramIcon();

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

// The program's application object: sets the title, the version, the
// desktop entry's name and the window icon, and shows every
// exception that escapes an event handler instead of letting it cross the
// event loop.
class TTarnwickApplication : public QApplication {
    Q_OBJECT
public:
    TTarnwickApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarnwick::ui
