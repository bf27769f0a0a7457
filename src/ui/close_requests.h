#pragma once
// Ways to close the window other than its own close button: the process is
// asked to end (SIGTERM, SIGINT, SIGHUP), or another X client destroys the
// window. Either closes the program's windows the normal way, so a running
// job stops at its next entry and the settings are stored.

class QWidget;

namespace tarnwick::ui {

// Installs both for window, for the rest of the process's life.
void CloseOnEndRequests(QWidget* window);

} // namespace tarnwick::ui
