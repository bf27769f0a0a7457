#pragma once
// The result grid as a table model: a thin view over a TResultGrid. Grid
// row 0 (the captions) is the horizontal header; grid row r >= 1 is model
// row r - 1. Writes go into the grid and raise only the model signals that
// a view needs: one row insertion per grown row, dataChanged only for cells
// that are on show. Nothing per cell is kept beyond the grid's own store.

#include "engine/result_grid.h"
#include "engine/row_mark.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

class TResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultGridModel(QObject* parent = nullptr);

    // Background colours of marked rows.
    static QColor FailedCopyColour();
    static QColor RepeatedTargetColour();

    const TResultGrid& Grid() const { return FGrid; }

    // The grid operations, in grid rows (row 0 the captions).
    int GridRowCount() const { return FGrid.RowCount(); }
    void SetGridRowCount(int rowCount);
    void ClearGridRow(int row);
    void SetGridCell(int col, int row, const QString& text);
    void SetGridRowMark(int row, const TRowMark& mark);

    // What the tooltip of a grid row says about its mark; empty when unmarked.
    QString MarkText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static int ModelRows(int gridRows) { return gridRows > 1 ? gridRows - 1 : 0; }
    bool OnShow(int row) const { return row >= 1 && row < FGrid.RowCount(); }

    TResultGrid FGrid;
};
