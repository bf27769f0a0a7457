// The grid model over the result grid: rows as the job hands them off, the
// caption row as the header, texts written just past the end, the signals a
// view gets, and marks.

#include "engine/result_grid.h"
#include "ui/result_grid_model.h"
#include "ui_test_support.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

TEST(GridModel, RowsGrowOneAtATimeWithTextsWrittenBeforeTheRowCount) {
    TResultGridModel model;
    TRowSignals got;
    RecordRowSignals(&model, got);
    model.SetGridRowCount(2);
    model.SetGridCell(0, 0, "Source Folder");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Source Folder");
    EXPECT_EQ(model.rowCount(), 1);

    for (int row = 1; row <= 3; ++row) {
        model.SetGridCell(0, row, QStringLiteral("s%1").arg(row));
        model.SetGridCell(1, row, QStringLiteral("t%1").arg(row));
        model.SetGridRowCount(row + 1);
    }
    // Row 1 was on show when written; rows 2 and 3 were written past the end
    // and appeared with their row.
    EXPECT_EQ(got.changed, 2);
    EXPECT_EQ(got.inserted, (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}}));
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(2, 1).data().toString(), "t3");
    EXPECT_EQ(model.index(0, 0).data().toString(), "s1");
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsSelectable));

    // Shrinking drops the rows; a cleared row shows nothing.
    model.SetGridRowCount(2);
    model.ClearGridRow(1);
    EXPECT_EQ(got.removed, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(model.index(0, 0).data().toString(), "");
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(GridModel, MarksGiveColourAndReason) {
    TResultGridModel model;
    model.SetGridRowCount(4);
    model.SetGridCell(0, 1, "/s/a/b/c.jpg");
    model.SetGridCell(1, 1, "/t/a_b_c.jpg");
    model.SetGridCell(0, 2, "/s/a_b/c.jpg");
    model.SetGridCell(1, 2, "/t/a_b_c.jpg");
    model.SetGridCell(0, 3, "/s/x.jpg");
    model.SetGridCell(1, 3, "/t/x.jpg");
    TRowMark repeat;
    repeat.iRepeatsRow = 1;
    model.SetGridRowMark(2, repeat);
    TRowMark failed;
    failed.bCopyFailed = true;
    failed.stReason = "no space left on the device";
    model.SetGridRowMark(3, failed);

    EXPECT_FALSE(model.index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.index(0, 0).data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(model.index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
              TResultGridModel::RepeatedTargetColour());
    const QString why = model.index(1, 1).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(why.contains("row 1")) << why.toStdString();
    EXPECT_TRUE(why.contains("/s/a/b/c.jpg")) << why.toStdString();
    EXPECT_EQ(model.index(2, 1).data(Qt::BackgroundRole).value<QColor>(),
              TResultGridModel::FailedCopyColour());
    EXPECT_EQ(model.index(2, 0).data(Qt::ToolTipRole).toString(),
              "The copy failed: no space left on the device");
    EXPECT_NE(TResultGridModel::FailedCopyColour(), TResultGridModel::RepeatedTargetColour());

    // Clearing a row removes what it said.
    model.ClearGridRow(3);
    EXPECT_FALSE(model.index(2, 0).data(Qt::BackgroundRole).isValid());
}

TEST(GridModel, AMillionRowsInAView) {
    TResultGridModel model;
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(&model);
    view.resize(600, 300);
    const int rows = 1000000;
    QElapsedTimer timer;
    timer.start();
    const QString source = QStringLiteral("/photos/2024/summer/IMG_%1.jpg");
    for (int row = 1; row <= rows; ++row) {
        model.SetGridCell(0, row, source.arg(row));
        model.SetGridCell(1, row, QStringLiteral("/sorted/2024_summer_IMG_%1.jpg").arg(row));
        model.SetGridRowCount(row + 1);
    }
    EXPECT_EQ(model.rowCount(), rows);
    EXPECT_EQ(model.index(rows - 1, 0).data().toString(), source.arg(rows));
    EXPECT_LT(timer.elapsed(), 60000);
    // Back to two rows in one step.
    model.SetGridRowCount(2);
    EXPECT_EQ(model.rowCount(), 1);
}

} // namespace
