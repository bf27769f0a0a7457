#pragma once
// The grid's row menu (right click, the menu key or Shift+F10): copy the
// row's source path or target path, open the folder of either in the
// desktop's file manager, and copy the selected cells.

#include <QObject>
#include <QPointer>

#include <QMenu>
class QPoint;
class QTableView;
class TResultGridModel;

namespace tarnwick::ui {

class TGridClipboard;

class TGridRowMenu : public QObject {
    Q_OBJECT
public:
    TGridRowMenu(QTableView* grid, TResultGridModel* model, TGridClipboard* clipboard);

    // Builds the menu of a grid row (1 on); the caller owns it.
    QMenu* MenuFor(int gridRow, QWidget* parent);
    // Opens the menu of a grid row at pos (global) without waiting for it.
    void Popup(int gridRow, const QPoint& globalPos);
    // The menu on show, if any.
    QMenu* Shown() const { return FShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* FGrid;
    QWidget* FViewport; // the grid's, kept: events reach it while the grid is destroyed
    TResultGridModel* FModel;
    TGridClipboard* FClipboard;
    QPointer<QMenu> FShown;
};

} // namespace tarnwick::ui
