#pragma once
// Ways to close the window other than its own close button: the process is
// asked to end (SIGTERM, SIGINT, SIGHUP), the desktop session ends, or
// another X client destroys the window. Each closes the program's windows
// the normal way, so a running job stops at its next entry and the settings
// are stored. A close asked for from outside never waits for a person: an
// open modal box is closed, and an error from then on goes to standard error
// instead of a box (error_box.h).

class QWidget;

namespace tarnwick::ui {

// The signals and the session's end, for the rest of the process's life.
// Installed before anything can show a box, so that a box shown while the
// window is being created is closed too.
void InstallEndRequestHandlers();

// Installs InstallEndRequestHandlers and the watch for window's destruction.
void CloseOnEndRequests(QWidget* window);

// True once the program has been asked to end from outside.
bool EndRequestedFromOutside();

} // namespace tarnwick::ui
