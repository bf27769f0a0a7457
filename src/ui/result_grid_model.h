#pragma once
// The result grid as a table model: a thin view over a TResultGrid. Grid
// row 0 (the captions) is the horizontal header; grid row r >= 1 is model
// row r - 1. Writes go into the grid and raise only the model signals that
// a view needs: one row insertion per grown row, dataChanged only for cells
// that are on show. Nothing per cell is kept beyond the grid's own store;
// the rows that carry a mark are kept in order, for finding them.

#include "engine/result_grid.h"
#include "engine/row_mark.h"
#include "ui/mark_counts.h"

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class TResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The kind of a row's mark (tarnwick::ui::TMarkKind as int), for a view
    // to draw it in the colours of its own palette.
    static constexpr int MarkKindRole = Qt::UserRole + 1;

    explicit TResultGridModel(QObject* parent = nullptr);

    const TResultGrid& Grid() const { return FGrid; }

    // The grid operations, in grid rows (row 0 the captions).
    int GridRowCount() const { return FGrid.RowCount(); }
    void SetGridRowCount(int rowCount);
    void ClearGridRow(int row);
    void SetGridCell(int col, int row, const QString& text);
    void SetGridRowMark(int row, const TRowMark& mark);

    // What a grid row's mark says, one line for each of its parts, most
    // serious first; empty when unmarked.
    QString MarkText(int row) const;

    // The grid rows that carry a mark, ascending; a row just past the end
    // may be among them while a job writes it.
    const std::vector<int>& MarkedRows() const { return FMarkedRows; }
    tarnwick::ui::TMarkCounts MarkCounts() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static int ModelRows(int gridRows) { return gridRows > 1 ? gridRows - 1 : 0; }
    bool OnShow(int row) const { return row >= 1 && row < FGrid.RowCount(); }
    void NoteMark(int row);

    TResultGrid FGrid;
    std::vector<int> FMarkedRows;
};
