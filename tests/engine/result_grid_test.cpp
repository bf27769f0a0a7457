#include "engine/result_grid.h"

#include <gtest/gtest.h>

TEST(ResultGrid, RowsWrittenBeforeTheyAreCounted) {
    TResultGrid grid;
    EXPECT_EQ(grid.RowCount(), 2);
    grid.SetCell(0, 0, u"Source Folder");
    for (int row = 1; row <= 1000; ++row) {
        grid.SetCell(0, row, QStringLiteral("/src/f%1.jpg").arg(row));
        grid.SetCell(1, row, QStringLiteral("/out/f%1.jpg").arg(row));
        grid.SetRowCount(row + 1);
    }
    EXPECT_EQ(grid.RowCount(), 1001);
    EXPECT_EQ(grid.Cell(0, 0), QStringLiteral("Source Folder"));
    EXPECT_EQ(grid.Cell(0, 1), QStringLiteral("/src/f1.jpg"));
    EXPECT_EQ(grid.Cell(1, 1000), QStringLiteral("/out/f1000.jpg"));
    EXPECT_EQ(grid.Cell(1, 1001), QString());
    EXPECT_EQ(grid.Cell(2, 1), QString());

    // A new job: back to two rows, row 1 emptied, nothing of the old rows shows.
    grid.SetRowCount(2);
    grid.ClearRow(1);
    EXPECT_EQ(grid.Cell(0, 1), QString());
    EXPECT_EQ(grid.Cell(0, 2), QString());
    EXPECT_EQ(grid.Cell(0, 0), QStringLiteral("Source Folder"));
    grid.SetCell(0, 2, u"pending");
    EXPECT_EQ(grid.Cell(0, 2), QStringLiteral("pending")); // kept just past the end
}

TEST(ResultGrid, LongTextsAndOverwrites) {
    TResultGrid grid;
    const QString big(300000, QChar(u'x')); // longer than one storage block
    grid.SetCell(1, 1, big);
    grid.SetCell(0, 1, u"short");
    EXPECT_EQ(grid.Cell(1, 1), big);
    grid.SetCell(1, 1, u"replaced");
    EXPECT_EQ(grid.Cell(1, 1), QStringLiteral("replaced"));
    EXPECT_EQ(grid.Cell(0, 1), QStringLiteral("short"));
}

TEST(ResultGrid, MarksAreVerifiedAndCounted) {
    TResultGrid grid;
    auto add = [&](int row, const char* target) {
        grid.SetCell(0, row, QStringLiteral("s%1").arg(row));
        grid.SetCell(1, row, QString::fromUtf8(target));
        grid.SetRowCount(row + 1);
    };
    add(1, "/out/a");
    add(2, "/out/b");
    add(3, "/out/a");
    TRowMark repeat;
    repeat.iRepeatsRow = 1;
    TRowMark failed;
    failed.bCopyFailed = true;
    failed.stReason = QStringLiteral("disk full");
    grid.SetRowMark(3, repeat);
    grid.SetRowMark(2, repeat); // texts differ: not a repeat
    grid.SetRowMark(1, failed);
    ASSERT_NE(grid.RowMark(3), nullptr);
    EXPECT_EQ(grid.RowMark(3)->iRepeatsRow, 1);
    EXPECT_EQ(grid.RowMark(2), nullptr);
    EXPECT_EQ(grid.RepeatedTargetCount(), 1);
    EXPECT_EQ(grid.FailedCopyCount(), 1);
    EXPECT_EQ(grid.RowMark(1)->stReason, QStringLiteral("disk full"));

    grid.SetRowCount(2); // the next job drops the old marks past the end
    grid.ClearRow(1);
    EXPECT_EQ(grid.FailedCopyCount(), 0);
    EXPECT_EQ(grid.RepeatedTargetCount(), 0);
    EXPECT_EQ(grid.RowMark(3), nullptr);
}
