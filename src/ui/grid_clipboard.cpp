#include "ui/grid_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>
#include <climits>

namespace tarnwick::ui {

QString TabSeparatedCell(const QString& text) {
    const bool quote =
        text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r') || text.contains(u'"');
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

QString SelectionAsTabSeparated(const QAbstractItemModel& model, const QItemSelection& selection) {
    if (selection.isEmpty())
        return QString();
    int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
    for (const QItemSelectionRange& range : selection) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
        left = std::min(left, range.left());
        right = std::max(right, range.right());
    }
    // One range (the grid's selections are contiguous) needs no lookup per cell.
    const bool whole = selection.size() == 1;
    QString text;
    for (int row = top; row <= bottom; ++row) {
        for (int col = left; col <= right; ++col) {
            if (col > left)
                text += u'\t';
            const QModelIndex index = model.index(row, col);
            if (whole || selection.contains(index))
                text += TabSeparatedCell(index.data(Qt::DisplayRole).toString());
        }
        text += u'\n';
    }
    return text;
}

void CopyToClipboard(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

TGridClipboard::TGridClipboard(QTableView* grid) : QObject(grid), FGrid(grid) {
    grid->installEventFilter(this);
}

bool TGridClipboard::CopySelection() {
    const QItemSelectionModel* selection = FGrid->selectionModel();
    if (selection == nullptr || FGrid->model() == nullptr)
        return false;
    QItemSelection cells = selection->selection();
    if (cells.isEmpty()) {
        const QModelIndex current = FGrid->currentIndex();
        if (!current.isValid())
            return false;
        cells.select(current, current);
    }
    CopyToClipboard(SelectionAsTabSeparated(*FGrid->model(), cells));
    return true;
}

bool TGridClipboard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FGrid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        // Instead of the view's own copy, which takes the current cell only.
        CopySelection();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick::ui
