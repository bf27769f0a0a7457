#include "engine/result_grid.h"

#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const TMarkCounts& c, std::ostream* os) {
    *os << "repeats " << c.iRepeats << ", replaces " << c.iReplaces << ", not copied "
        << c.iNotCopied << " (";
    for (int n : c.iNotCopiedFor)
        *os << ' ' << n;
    *os << " ), failed " << c.iFailed;
}

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

TEST(ResultGrid, CountsPerKindAndRepeatsUnderLetterCase) {
    TResultGrid grid;
    const char* targets[] = {"/out/a.jpg", "/out/A.JPG", "/out/b.jpg", "/out/a.jpg.",
                             "",           "/out/c.jpg", "/out/d.jpg"};
    int row = 0;
    for (const char* target : targets) {
        ++row;
        grid.SetCell(0, row, QStringLiteral("/src/%1").arg(row));
        grid.SetCell(1, row, QString::fromUtf8(target));
        grid.SetRowCount(row + 1);
    }
    auto repeat = [](int first) {
        TRowMark m;
        m.iRepeatsRow = first;
        return m;
    };
    auto notCopied = [](TNotCopied reason) {
        TRowMark m;
        m.eNotCopied = reason;
        m.stReason = QStringLiteral("why");
        return m;
    };
    TRowMark replaces;
    replaces.bReplacesFile = true;
    TRowMark replacedAndFailed = replaces;
    replacedAndFailed.bCopyFailed = true;
    replacedAndFailed.stReason = QStringLiteral("disk full");

    grid.SetRowMark(1, replaces);
    grid.SetRowMark(2, repeat(1)); // differs only in letter case
    grid.SetRowMark(3, repeat(1)); // another name: dropped
    grid.SetRowMark(4, repeat(2)); // a trailing dot some file systems drop
    grid.SetRowMark(5, notCopied(TNotCopied::NoNamingMode));
    grid.SetRowMark(6, notCopied(TNotCopied::SourceFile));
    grid.SetRowMark(7, replacedAndFailed);
    EXPECT_EQ(grid.RowMark(3), nullptr);
    ASSERT_NE(grid.RowMark(2), nullptr);
    EXPECT_EQ(grid.RowMark(4)->iRepeatsRow, 2);

    TMarkCounts expected;
    expected.iRepeats = 2;
    expected.iReplaces = 2;
    expected.iNotCopied = 2;
    expected.iFailed = 1;
    expected.iNotCopiedFor[static_cast<int>(TNotCopied::NoNamingMode)] = 1;
    expected.iNotCopiedFor[static_cast<int>(TNotCopied::SourceFile)] = 1;
    EXPECT_EQ(grid.MarkCounts(), expected);
    EXPECT_EQ(grid.FailedCopyCount(), 1);
    EXPECT_EQ(grid.RepeatedTargetCount(), 2);

    grid.SetRowCount(6); // rows past the end no longer count
    expected.iReplaces = 1;
    expected.iFailed = 0;
    expected.iNotCopied = 1;
    expected.iNotCopiedFor[static_cast<int>(TNotCopied::SourceFile)] = 0;
    EXPECT_EQ(grid.MarkCounts(), expected);
}
