#pragma once
// The grid's two columns share the grid's visible width (its viewport, the
// vertical scroll bar left out), so no horizontal scroll bar appears while
// the paths fit. Fit() gives both columns half of it, discarding widths the
// user dragged; the window calls it where the bottom bar's width changes.
// When only the viewport changes (the vertical scroll bar comes or goes),
// columns that still have the width Fit() gave them follow; columns the user
// dragged keep their widths.

#include <QObject>

class QTableView;

namespace tarnwick::ui {

class TGridColumnFit : public QObject {
    Q_OBJECT
public:
    explicit TGridColumnFit(QTableView* grid);

    // The width each column gets: half the visible width (integer division).
    int HalfWidth() const;
    void Fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply(int width);
    bool Dragged() const;

    QTableView* FGrid;
    QWidget* FViewport;
    int FiFitted = -1; // the width Fit() last gave, -1 before
};

} // namespace tarnwick::ui
