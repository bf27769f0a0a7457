#pragma once
// Finding the marked rows of the grid from the keyboard: F8 selects the next
// marked row after the current one and Shift+F8 the previous one, wrapping
// around at either end; the row is scrolled into view. The window's summary
// goes to the first marked row through First().

#include <QObject>
#include <vector>

class QTableView;
class QWidget;
class TResultGridModel;

namespace tarnwick::ui {

// The marked grid row after (forward) or before from among markedRows
// (ascending), counting only rows 1 .. rowCount - 1, wrapping around; from
// may be 0 or rowCount to start at either end. -1 when no row is marked.
int NextMarkedRow(const std::vector<int>& markedRows, int rowCount, int from, bool forward);

class TMarkedRowNavigation : public QObject {
    Q_OBJECT
public:
    TMarkedRowNavigation(QWidget* window, QTableView* grid, TResultGridModel* model);

    // Each selects the row found and makes it current; false when no row is marked.
    bool Next();
    bool Previous();
    bool First();

private:
    bool Go(int gridRow);
    int CurrentGridRow() const;

    QTableView* FGrid;
    TResultGridModel* FModel;
};

} // namespace tarnwick::ui
