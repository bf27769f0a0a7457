#pragma once
// The result grid's texts and row marks, held compactly: the cells' UTF-16
// texts lie in large shared blocks, so a row costs its characters and a few
// bytes of bookkeeping, and a million rows stay small. Two columns; row 0 is
// the caption row. Texts of rows at or past the row count may be written
// (a job writes a row's cells before it grows the row count) and are kept
// until the row count shrinks below them.
//
// Used from one thread at a time.

#include "engine/row_mark.h"

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// How many rows carry each kind of mark (a row may carry more than one).
struct TMarkCounts {
    int iRepeats = 0;   // an earlier row has the same target
    int iReplaces = 0;  // a file of that name was in the new folder before the job
    int iNotCopied = 0; // not copied, for any reason
    int iFailed = 0;    // the copy was tried and failed
    std::array<int, static_cast<int>(TNotCopied::NoNamingMode) + 1> iNotCopiedFor{}; // by reason

    bool operator==(const TMarkCounts&) const = default;
};

class TResultGrid {
public:
    static constexpr int kColumns = 2;

    TResultGrid();

    int RowCount() const { return FiRowCount; }
    void SetRowCount(int rowCount);

    // The empty text for a cell never written or out of range.
    QStringView CellView(int col, int row) const;
    QString Cell(int col, int row) const { return CellView(col, row).toString(); }
    void SetCell(int col, int row, QStringView text);
    void ClearRow(int row);

    // A mark whose iRepeatsRow names a row whose target differs is taken
    // without that part (targets that differ only where some file system
    // takes two names for one, such as letter case, count as the same); an
    // empty mark removes the row's mark.
    void SetRowMark(int row, const TRowMark& mark);
    const TRowMark* RowMark(int row) const; // null when the row is unmarked

    // Counted over rows 1 .. RowCount() - 1.
    TMarkCounts MarkCounts() const;
    int FailedCopyCount() const { return MarkCounts().iFailed; }
    int RepeatedTargetCount() const { return MarkCounts().iRepeats; }

private:
    struct CellRef {
        std::uint32_t block = 0;
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    struct RowRefs {
        CellRef cells[kColumns];
    };

    void Compact();
    bool SameTarget(int earlier, int row) const;
    CellRef Store(QStringView text);

    int FiRowCount = 2;
    std::vector<RowRefs> FRows; // at least FiRowCount entries
    std::vector<std::unique_ptr<char16_t[]>> FBlocks;
    std::vector<std::uint32_t> FBlockSizes;
    std::uint32_t FiUsedInLast = 0;
    std::unordered_map<int, TRowMark> FMarks;
};
