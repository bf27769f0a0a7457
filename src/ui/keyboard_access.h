#pragma once
// The window for keyboard users and assistive technology: each label has a
// mnemonic (Alt + the underlined letter) and is the buddy of its box, the
// naming-mode list gets a label of its own in the free space before it,
// every control has an accessible name, and the "..." pickers and the Stop
// button are reached by Tab after the designed tab stops, before the grid.

#include <QString>

class QLabel;
class QPushButton;
class TfmTarnwickHub;

namespace tarnwick::ui {

// A caption as shown: its mnemonic marker removed ("&&" stands for "&").
QString ShownCaption(const QString& caption);
QString ShownCaption(const QLabel* label);

// Marks the first letter of label's caption equal to letter as its
// mnemonic (in either case when the caption has none in letter's case).
void SetMnemonic(QLabel* label, QChar letter);

// Sets all of the above up on the window's controls; the window's designed
// controls keep their places. Returns the mode list's label.
QLabel* SetUpKeyboardAccess(TfmTarnwickHub& window, QPushButton* stopButton);

} // namespace tarnwick::ui
