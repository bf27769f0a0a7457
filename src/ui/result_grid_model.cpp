#include "ui/result_grid_model.h"

TResultGridModel::TResultGridModel(QObject* parent) : QAbstractTableModel(parent) {}

QColor TResultGridModel::FailedCopyColour() {
    return QColor(255, 204, 204);
}

QColor TResultGridModel::RepeatedTargetColour() {
    return QColor(255, 236, 170);
}

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
    if (wasMarked)
        FGrid.SetRowMark(row, TRowMark());
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
    if (OnShow(row))
        emit dataChanged(index(row - 1, 0), index(row - 1, TResultGrid::kColumns - 1),
                         {Qt::BackgroundRole, Qt::ToolTipRole});
}

QString TResultGridModel::MarkText(int row) const {
    const TRowMark* mark = FGrid.RowMark(row);
    if (mark == nullptr)
        return QString();
    QStringList lines;
    if (mark->bCopyFailed) {
        lines << (mark->stReason.isEmpty()
                      ? QStringLiteral("The copy failed.")
                      : QStringLiteral("The copy failed: %1").arg(mark->stReason));
    }
    if (mark->iRepeatsRow > 0) {
        lines << QStringLiteral(
                     "Same target as row %1 (%2); the later copy replaces the earlier one.")
                     .arg(mark->iRepeatsRow)
                     .arg(FGrid.CellView(0, mark->iRepeatsRow));
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
    case Qt::BackgroundRole: {
        const TRowMark* mark = FGrid.RowMark(row);
        if (mark == nullptr)
            return QVariant();
        if (mark->bCopyFailed)
            return FailedCopyColour();
        if (mark->iRepeatsRow > 0)
            return RepeatedTargetColour();
        return QVariant();
    }
    case Qt::ToolTipRole: {
        const QString text = MarkText(row);
        return text.isEmpty() ? QVariant() : QVariant(text);
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
