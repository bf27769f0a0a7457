#include "ui/result_grid_model.h"

#include "ui/mark_style.h"

#include <algorithm>

namespace {

QString NotCopiedReason(const TRowMark& mark) {
    if (!mark.stReason.isEmpty())
        return mark.stReason;
    switch (mark.eNotCopied) {
    case TNotCopied::SourceFile:
        return QStringLiteral("the target is one of the job's source files");
    case TNotCopied::NameTooLong:
        return QStringLiteral("the name is longer than the new folder's file system allows");
    case TNotCopied::RefusedCharacter:
        return QStringLiteral("the name holds a character the new folder's file system refuses");
    case TNotCopied::TargetIsFolder:
        return QStringLiteral("a folder stands at the target path");
    case TNotCopied::NoNamingMode:
        return QStringLiteral("no naming mode is selected, so the file has no target path");
    case TNotCopied::No:
        break;
    }
    return QString();
}

} // namespace

TResultGridModel::TResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultGridModel::SetGridRowCount(int rowCount) {
    if (rowCount < 1)
        rowCount = 1;
    const int before = ModelRows(FGrid.RowCount());
    const int after = ModelRows(rowCount);
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        FGrid.SetRowCount(rowCount);
        endInsertRows();
    } else if (after < before) {
        beginRemoveRows(QModelIndex(), after, before - 1);
        FGrid.SetRowCount(rowCount);
        // The grid drops the marks of the rows it drops.
        FMarkedRows.erase(std::lower_bound(FMarkedRows.begin(), FMarkedRows.end(), rowCount),
                          FMarkedRows.end());
        endRemoveRows();
    } else {
        FGrid.SetRowCount(rowCount);
    }
}

void TResultGridModel::ClearGridRow(int row) {
    const bool wasMarked = FGrid.RowMark(row) != nullptr;
    const bool hadText = !FGrid.CellView(0, row).isEmpty() || !FGrid.CellView(1, row).isEmpty();
    FGrid.ClearRow(row);
    // An emptied row says nothing any more.
    if (wasMarked) {
        FGrid.SetRowMark(row, TRowMark());
        NoteMark(row);
    }
    if (!hadText && !wasMarked)
        return;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, 0, TResultGrid::kColumns - 1);
    else if (OnShow(row))
        emit dataChanged(index(row - 1, 0), index(row - 1, TResultGrid::kColumns - 1));
}

void TResultGridModel::SetGridCell(int col, int row, const QString& text) {
    if (col < 0 || col >= TResultGrid::kColumns || row < 0)
        return;
    const bool show = row == 0 || OnShow(row);
    if (show && FGrid.CellView(col, row) == text)
        return;
    FGrid.SetCell(col, row, text);
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    else if (show)
        emit dataChanged(index(row - 1, col), index(row - 1, col));
}

void TResultGridModel::SetGridRowMark(int row, const TRowMark& mark) {
    if (row < 1)
        return;
    FGrid.SetRowMark(row, mark);
    NoteMark(row);
    if (OnShow(row))
        emit dataChanged(index(row - 1, 0), index(row - 1, TResultGrid::kColumns - 1),
                         {MarkKindRole, Qt::ToolTipRole});
}

// Keeps FMarkedRows in step with whether the grid holds a mark for row.
void TResultGridModel::NoteMark(int row) {
    const bool marked = FGrid.RowMark(row) != nullptr;
    if (marked && (FMarkedRows.empty() || FMarkedRows.back() < row)) {
        FMarkedRows.push_back(row); // a job marks its rows in order
        return;
    }
    const auto at = std::lower_bound(FMarkedRows.begin(), FMarkedRows.end(), row);
    const bool listed = at != FMarkedRows.end() && *at == row;
    if (marked && !listed)
        FMarkedRows.insert(at, row);
    else if (!marked && listed)
        FMarkedRows.erase(at);
}

tarnwick::ui::TMarkCounts TResultGridModel::MarkCounts() const {
    return tarnwick::ui::CountMarks(FGrid, FMarkedRows);
}

QString TResultGridModel::MarkText(int row) const {
    const TRowMark* mark = FGrid.RowMark(row);
    if (mark == nullptr)
        return QString();
    QStringList lines;
    if (mark->bCopyCancelled) {
        lines << QStringLiteral("The copy was cancelled when the job was stopped; the target "
                                "is as it was before.");
    } else if (mark->bCopyFailed) {
        lines << (mark->stReason.isEmpty()
                      ? QStringLiteral("The copy failed.")
                      : QStringLiteral("The copy failed: %1").arg(mark->stReason));
    }
    if (mark->NotCopied())
        lines << QStringLiteral("Not copied: %1").arg(NotCopiedReason(*mark));
    if (mark->bReplacesFile)
        lines << QStringLiteral("Replaces a file that was in the new folder before the job.");
    if (mark->iRepeatsRow > 0) {
        lines << QStringLiteral(
                     "Same target as row %1 (%2); the later copy replaces the earlier one.")
                     .arg(mark->iRepeatsRow)
                     .arg(FGrid.Cell(0, mark->iRepeatsRow));
    }
    return lines.join(QLatin1Char('\n'));
}

int TResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ModelRows(FGrid.RowCount());
}

int TResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TResultGrid::kColumns;
}

QVariant TResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    const int row = index.row() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return FGrid.CellView(index.column(), row).toString();
    case MarkKindRole:
        return static_cast<int>(tarnwick::ui::MarkKindOf(FGrid.RowMark(row)));
    case Qt::ToolTipRole: {
        // Why the row is marked, then the cell's whole path.
        const QString why = MarkText(row);
        const QString path = FGrid.Cell(index.column(), row);
        if (why.isEmpty() && path.isEmpty())
            return QVariant();
        if (why.isEmpty())
            return path;
        if (path.isEmpty())
            return why;
        return QString(why + QLatin1Char('\n') + path);
    }
    default:
        return QVariant();
    }
}

QVariant TResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return FGrid.CellView(section, 0).toString();
    return section + 1;
}

Qt::ItemFlags TResultGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
