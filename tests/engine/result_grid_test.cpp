#include "engine/result_grid.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <ostream>
#include <set>
#include <vector>

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

namespace {

QString Repeated(const QString& piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Texts the grid holds one byte a character, as UTF-16, and at the edges
// between the two.
std::vector<QString> StorageCases() {
    return {
        QString(),
        QStringLiteral("/src/a.jpg"),
        QStringLiteral("x"),                                   // odd length before UTF-16
        QStringLiteral("/src/caf\u00E9/\u00FF\u00A0.jpg"),     // Latin-1 above U+007F
        QString(QChar(0)) + QStringLiteral("nul"),             // U+0000 is a character too
        QStringLiteral("/src/\u0100.jpg"),                     // the first beyond Latin-1
        QStringLiteral("/src/\u6F22\u5B57/\u00E9.jpg"),        // Latin-1 and beyond mixed
        QStringLiteral("/src/a") + QChar(0xDC80) + QChar(0xDCFF) + QStringLiteral(".jpg"),
        QString(QChar(0xD800)),                                // a lone high surrogate
        QStringLiteral("/src/\U0001F600.jpg"),                 // a surrogate pair
        QStringLiteral("/src/") + QChar(0xDCE9) + QStringLiteral("\u00E9"),
        Repeated(QStringLiteral("\u00E9"), 131072),            // long Latin-1
        Repeated(QStringLiteral("a"), 131073),
        Repeated(QStringLiteral("b"), 1100000),                // longer than a block of texts
        Repeated(QStringLiteral("\u6F22"), 65536),             // long UTF-16
        Repeated(QStringLiteral("\u6F22"), 65537),
        Repeated(QStringLiteral("\u6F22") + QChar(0xDC80), 300000),
        Repeated(QStringLiteral("y"), 4095) + QChar(0x100),    // wide in its last character
    };
}

// The grid's cells against plain strings: the cells as written, row counts
// dropping what lies at and past them, emptied rows.
class TPlainGrid {
public:
    void SetRowCount(int rowCount) {
        rowCount = std::max(rowCount, 0);
        if (static_cast<size_t>(rowCount) < FRows.size())
            std::erase_if(FMarks, [rowCount](int row) { return row >= rowCount; });
        FRows.resize(static_cast<size_t>(rowCount));
    }
    void SetCell(int col, int row, const QString& text) {
        if (FRows.size() <= static_cast<size_t>(row))
            FRows.resize(static_cast<size_t>(row) + 1);
        FRows[static_cast<size_t>(row)][col] = text;
    }
    void ClearRow(int row) {
        if (static_cast<size_t>(row) >= FRows.size())
            return;
        FRows[static_cast<size_t>(row)] = {};
        FMarks.erase(row);
    }
    void Mark(int row) { FMarks.insert(row); }
    QString Cell(int col, int row) const {
        return static_cast<size_t>(row) < FRows.size() ? FRows[static_cast<size_t>(row)][col]
                                                       : QString();
    }
    bool Marked(int row) const { return FMarks.count(row) > 0; }

private:
    std::vector<std::array<QString, 2>> FRows = std::vector<std::array<QString, 2>>(2);
    std::set<int> FMarks;
};

} // namespace

TEST(ResultGrid, EveryTextComesBackExactly) {
    const std::vector<QString> texts = StorageCases();
    TResultGrid grid;
    // Each text in both columns of many rows, after texts of every other
    // kind, so each lands at many places in the blocks.
    int row = 0;
    for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < texts.size(); ++i) {
            ++row;
            grid.SetCell(0, row, texts[i]);
            grid.SetCell(1, row, texts[(i + 1 + round) % texts.size()]);
            grid.SetRowCount(row + 1);
        }
    }
    auto check = [&](int rows) {
        int r = 0;
        for (int round = 0; round < 3; ++round) {
            for (size_t i = 0; i < texts.size(); ++i) {
                if (++r >= rows)
                    return;
                ASSERT_EQ(grid.Cell(0, r), texts[i]) << "row " << r;
                ASSERT_EQ(grid.Cell(1, r), texts[(i + 1 + round) % texts.size()]) << "row " << r;
                ASSERT_EQ(grid.CellView(0, r).size(), texts[i].size());
                ASSERT_EQ(grid.CellView(0, r).isEmpty(), texts[i].isEmpty());
                ASSERT_TRUE(grid.CellView(0, r) == texts[i]) << "row " << r;
            }
        }
    };
    check(row + 1);
    // Shrinking to less than half moves the remaining texts to fresh blocks.
    const int kept = row / 3;
    grid.SetRowCount(kept);
    check(kept);
    EXPECT_EQ(grid.Cell(0, kept), QString());
    // Overwriting a cell leaves its neighbours as they were.
    grid.SetCell(0, 1, texts[5]);
    EXPECT_EQ(grid.Cell(0, 1), texts[5]);
    EXPECT_EQ(grid.Cell(1, 1), texts[1]);
    EXPECT_EQ(grid.Cell(0, 2), texts[1]);
}

TEST(ResultGrid, RowCountsAndClearedRowsAgainstPlainStrings) {
    // Each case: rows written (each followed by growing the row count to
    // just past it), then a row written past the end, then row counts set.
    struct Case {
        int written;
        int pastEnd;
        std::vector<int> rowCounts;
    } cases[] = {
        {10, 12, {5, 20}},
        {10, 11, {11, 30}},            // the same row count drops the row past it
        {10, 11, {12}},                // a larger one keeps it
        {5000, 6000, {4096, 9000}},    // shrunk to a round number, grown past the old end
        {5000, 4200, {4097, 4095, 4097}},
        {9000, 9001, {8192, 8193, 3, 9100}},
        {20000, 25000, {24999, 25001, 7000, 30000, 0, 2}},
        {3, 40000, {41000, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "written " << c.written << ", past " << c.pastEnd);
        TResultGrid grid;
        TPlainGrid plain;
        auto setCell = [&](int col, int row, const QString& text) {
            grid.SetCell(col, row, text);
            plain.SetCell(col, row, text);
        };
        auto setRowCount = [&](int rowCount) {
            grid.SetRowCount(rowCount);
            plain.SetRowCount(rowCount);
        };
        auto mark = [&](int row) {
            TRowMark m;
            m.bReplacesFile = true;
            grid.SetRowMark(row, m);
            plain.Mark(row);
        };
        auto compare = [&](const char* when) {
            const int upTo = std::max({c.written, c.pastEnd, grid.RowCount()}) + 10;
            for (int row = 0; row < upTo; ++row) {
                for (int col = 0; col < TResultGrid::kColumns; ++col)
                    ASSERT_EQ(grid.Cell(col, row), plain.Cell(col, row))
                        << when << ": row " << row << ", column " << col;
                ASSERT_EQ(grid.RowMark(row) != nullptr, plain.Marked(row))
                    << when << ": row " << row;
            }
        };
        setCell(0, 0, QStringLiteral("Source Folder"));
        for (int row = 1; row <= c.written; ++row) {
            // Latin-1 and UTF-16 rows mixed, some cells empty.
            setCell(0, row, row % 7 == 0 ? QStringLiteral("/src/\u6F22%1").arg(row)
                                         : QStringLiteral("/src/\u00E9%1").arg(row));
            setCell(1, row, row % 5 == 0 ? QString() : QStringLiteral("/out/%1").arg(row));
            setRowCount(row + 1);
            if (row % 3 == 0)
                mark(row);
        }
        setCell(1, c.pastEnd, QStringLiteral("/out/past") + QChar(0xDC80));
        mark(c.pastEnd);
        compare("written");
        plain.ClearRow(c.written / 2);
        grid.ClearRow(c.written / 2);
        plain.ClearRow(c.pastEnd + 3); // never written: its mark stays
        grid.ClearRow(c.pastEnd + 3);
        compare("cleared");
        for (int rowCount : c.rowCounts) {
            setRowCount(rowCount);
            EXPECT_EQ(grid.RowCount(), rowCount);
            compare("row count set");
            setCell(0, rowCount, QStringLiteral("/src/again%1").arg(rowCount));
            compare("written again");
        }
    }
}
