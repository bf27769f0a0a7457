#include "ui/marked_row_navigation.h"

#include "ui/result_grid_model.h"

#include <QItemSelectionModel>
#include <QShortcut>
#include <QTableView>
#include <algorithm>

namespace tarnwick::ui {

int NextMarkedRow(const std::vector<int>& markedRows, int rowCount, int from, bool forward) {
    // The marked rows on show: 1 .. rowCount - 1.
    const auto begin = std::lower_bound(markedRows.begin(), markedRows.end(), 1);
    const auto end = std::lower_bound(begin, markedRows.end(), rowCount);
    if (begin == end)
        return -1;
    if (forward) {
        const auto next = std::upper_bound(begin, end, from);
        return next != end ? *next : *begin;
    }
    const auto next = std::lower_bound(begin, end, from);
    return next != begin ? *std::prev(next) : *std::prev(end);
}

TMarkedRowNavigation::TMarkedRowNavigation(QWidget* window, QTableView* grid,
                                           TResultGridModel* model)
    : QObject(window), FGrid(grid), FModel(model) {
    auto* next = new QShortcut(QKeySequence(Qt::Key_F8), window);
    next->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, &TMarkedRowNavigation::Next);
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), window);
    previous->setContext(Qt::WindowShortcut);
    connect(previous, &QShortcut::activated, this, &TMarkedRowNavigation::Previous);
}

int TMarkedRowNavigation::CurrentGridRow() const {
    const QModelIndex current = FGrid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

bool TMarkedRowNavigation::Next() {
    return Go(NextMarkedRow(FModel->MarkedRows(), FModel->GridRowCount(), CurrentGridRow(), true));
}

bool TMarkedRowNavigation::Previous() {
    const int current = CurrentGridRow();
    return Go(NextMarkedRow(FModel->MarkedRows(), FModel->GridRowCount(),
                            current > 0 ? current : FModel->GridRowCount(), false));
}

bool TMarkedRowNavigation::First() {
    return Go(NextMarkedRow(FModel->MarkedRows(), FModel->GridRowCount(), 0, true));
}

bool TMarkedRowNavigation::Go(int gridRow) {
    if (gridRow < 1)
        return false;
    const QModelIndex current = FGrid->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    const QModelIndex target = FModel->index(gridRow - 1, column);
    const QItemSelection row(FModel->index(gridRow - 1, 0),
                             FModel->index(gridRow - 1, FModel->columnCount() - 1));
    FGrid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    FGrid->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect);
    FGrid->scrollTo(target, QAbstractItemView::EnsureVisible);
    FGrid->setFocus(Qt::ShortcutFocusReason);
    return true;
}

} // namespace tarnwick::ui
