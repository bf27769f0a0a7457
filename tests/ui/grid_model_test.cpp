// The grid model over the result grid: rows as the job hands them off, the
// caption row as the header, texts written just past the end, the signals a
// view gets, and marks.

#include "engine/result_grid.h"
#include "ui/mark_style.h"
#include "ui/result_grid_model.h"
#include "ui_test_support.h"

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

TEST(GridModel, MarksGiveTheirKindAndReasonThenThePath) {
    TResultGridModel model;
    model.SetGridRowCount(6);
    const char* rows[][2] = {{"/s/a/b/c.jpg", "/t/a_b_c.jpg"},
                             {"/s/a_b/c.jpg", "/t/a_b_c.jpg"},
                             {"/s/x.jpg", "/t/x.jpg"},
                             {"/s/y.jpg", "/t/y.jpg"},
                             {"/s/z.jpg", ""}};
    for (int r = 0; r < 5; ++r) {
        model.SetGridCell(0, r + 1, rows[r][0]);
        model.SetGridCell(1, r + 1, rows[r][1]);
    }
    TRowMark repeat;
    repeat.iRepeatsRow = 1;
    model.SetGridRowMark(2, repeat);
    TRowMark failed;
    failed.bCopyFailed = true;
    failed.stReason = "no space left on the device";
    model.SetGridRowMark(3, failed);
    TRowMark replaces;
    replaces.bReplacesFile = true;
    model.SetGridRowMark(4, replaces);
    TRowMark notCopied;
    notCopied.eNotCopied = TNotCopied::NoNamingMode;
    model.SetGridRowMark(5, notCopied);

    using tarnwick::ui::TMarkKind;
    const auto kind = [&](int modelRow) {
        return static_cast<TMarkKind>(
            model.index(modelRow, 1).data(TResultGridModel::MarkKindRole).toInt());
    };
    EXPECT_EQ(kind(0), TMarkKind::None);
    EXPECT_EQ(kind(1), TMarkKind::RepeatsRow);
    EXPECT_EQ(kind(2), TMarkKind::CopyFailed);
    EXPECT_EQ(kind(3), TMarkKind::ReplacesFile);
    EXPECT_EQ(kind(4), TMarkKind::NotCopied);

    // An unmarked cell's tooltip is its whole path; a marked one says why first.
    EXPECT_EQ(model.index(0, 0).data(Qt::ToolTipRole).toString(), "/s/a/b/c.jpg");
    const QString why = model.index(1, 1).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(why.startsWith("Same target as row 1 (/s/a/b/c.jpg)")) << why.toStdString();
    EXPECT_TRUE(why.endsWith("\n/t/a_b_c.jpg")) << why.toStdString();
    EXPECT_EQ(model.index(2, 0).data(Qt::ToolTipRole).toString(),
              "The copy failed: no space left on the device\n/s/x.jpg");
    EXPECT_TRUE(model.index(3, 1).data(Qt::ToolTipRole).toString().startsWith("Replaces a file"));
    // With no target path, the reason alone.
    EXPECT_EQ(model.index(4, 1).data(Qt::ToolTipRole).toString(),
              "Not copied: no naming mode is selected, so the file has no target path");

    EXPECT_EQ(model.MarkedRows(), (std::vector<int>{2, 3, 4, 5}));
    tarnwick::ui::TMarkCounts counts;
    counts.iCopyFailed = counts.iNotCopied = counts.iReplacesFile = counts.iRepeatsRow = 1;
    EXPECT_EQ(model.MarkCounts(), counts);

    // A row with several marks shows the most serious and counts for each.
    TRowMark both = failed;
    both.bReplacesFile = true;
    model.SetGridRowMark(4, both);
    EXPECT_EQ(kind(3), TMarkKind::CopyFailed);
    EXPECT_EQ(model.MarkCounts().iCopyFailed, 2);
    EXPECT_EQ(model.MarkCounts().iReplacesFile, 1);

    // Clearing a row removes what it said; dropping rows drops their marks.
    model.ClearGridRow(3);
    EXPECT_EQ(kind(2), TMarkKind::None);
    EXPECT_EQ(model.MarkedRows(), (std::vector<int>{2, 4, 5}));
    model.SetGridRowCount(4);
    EXPECT_EQ(model.MarkedRows(), (std::vector<int>{2}));
    EXPECT_EQ(model.MarkCounts().iRepeatsRow, 1);
    EXPECT_EQ(model.MarkCounts().iCopyFailed, 0);

    // A copy cancelled by a stop shows as a copy that did not happen, and
    // counts apart from the failed ones.
    TRowMark cancelled = failed;
    cancelled.bCopyCancelled = true;
    cancelled.stReason = QStringLiteral("the copy was cancelled");
    model.SetGridRowMark(2, cancelled);
    EXPECT_EQ(kind(1), TMarkKind::CopyFailed);
    EXPECT_EQ(model.MarkCounts().iCopyFailed, 0);
    EXPECT_EQ(model.MarkCounts().iCopyCancelled, 1);
    EXPECT_TRUE(model.MarkText(2).startsWith(QStringLiteral("The copy was cancelled")));
}

// A mark written for the row just past the end (as a job does) counts only
// once the row is on show.
TEST(GridModel, MarksPastTheEndCountOnceOnShow) {
    TResultGridModel model;
    model.SetGridCell(0, 1, "/s/a");
    TRowMark failed;
    failed.bCopyFailed = true;
    model.SetGridRowMark(1, failed);
    model.SetGridCell(0, 2, "/s/b");
    model.SetGridRowMark(2, failed);
    EXPECT_EQ(model.MarkCounts().iCopyFailed, 1); // row 2 is not on show yet
    model.SetGridRowCount(3);
    EXPECT_EQ(model.MarkCounts().iCopyFailed, 2);
    // An empty mark unmarks.
    model.SetGridRowMark(1, TRowMark());
    EXPECT_EQ(model.MarkedRows(), (std::vector<int>{2}));
}

TEST(GridModel, AMillionRowsInAView) {
    TResultGridModel model;
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(&model);
    view.resize(600, 300);
    const int rows = 1000000;
    const QString source = QStringLiteral("/photos/2024/summer/IMG_%1.jpg");
    for (int row = 1; row <= rows; ++row) {
        model.SetGridCell(0, row, source.arg(row));
        model.SetGridCell(1, row, QStringLiteral("/sorted/2024_summer_IMG_%1.jpg").arg(row));
        model.SetGridRowCount(row + 1);
    }
    EXPECT_EQ(model.rowCount(), rows);
    EXPECT_EQ(model.index(rows - 1, 0).data().toString(), source.arg(rows));
    // Back to two rows in one step.
    model.SetGridRowCount(2);
    EXPECT_EQ(model.rowCount(), 1);
}

} // namespace
