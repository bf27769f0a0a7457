#pragma once
// The result grid's texts and row marks, held compactly. A cell's text lies
// in shared byte blocks, one byte a character when every character is below
// U+0100 (Latin-1) and UTF-16 otherwise; a cell's place is packed into eight
// bytes, and rows sit in fixed-size chunks, so growing the grid never holds
// two copies of it and a million rows stay small. Two columns; row 0 is the
// caption row. Texts of rows at or past the row count may be written (a job
// writes a row's cells before it grows the row count) and are kept until the
// row count shrinks below them.
//
// Used from one thread at a time.

#include "engine/row_mark.h"

#include <QAnyStringView>
#include <QString>
#include <QStringView>
#include <array>
#include <cstddef>
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

    // The cell's text as Latin-1 or UTF-16 (isLatin1() / isUtf16() tell
    // which), valid until the grid next changes; the empty text for a cell
    // never written or out of range.
    QAnyStringView CellView(int col, int row) const;
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
    // Where a cell's text lies, packed (all zero: the empty text):
    //   bit 0       set when the text is UTF-16, clear when Latin-1
    //   bits 1-21   its length in characters, or kOwnBlock when the text
    //               fills a block of its own (its length is the block's)
    //   bits 22-41  its byte offset in the block
    //   bits 42-63  the block (4 Mi blocks: terabytes of text)
    using TCellRef = std::uint64_t;
    struct TRowRefs {
        TCellRef cells[kColumns];
    };
    using TChunk = std::unique_ptr<TRowRefs[]>;

    const TRowRefs* FindRow(int row) const; // null when the row was never written
    TRowRefs* FindRow(int row) {
        return const_cast<TRowRefs*>(static_cast<const TResultGrid*>(this)->FindRow(row));
    }
    TRowRefs& WritableRow(int row);
    void DropRowsFrom(std::size_t row);
    void Compact();
    bool SameTarget(int earlier, int row) const;
    TCellRef Store(QStringView text);
    TCellRef Store(QLatin1StringView text);
    template <typename Write>
    TCellRef Store(qsizetype length, bool wide, Write write);
    QAnyStringView Text(TCellRef ref) const;
    char* NewBlock(std::size_t bytes, std::size_t ownChars);

    int FiRowCount = 2;
    std::size_t FiRowsHeld = 2;  // rows at or past this one are all empty
    std::vector<TChunk> FChunks; // rows in fixed-size chunks; null: all empty
    std::vector<std::unique_ptr<char[]>> FBlocks;
    std::vector<std::size_t> FBlockOwnChars; // a block of one text: its length, else 0
    std::size_t FiUsedInLast = 0;            // bytes used in the last shared block
    std::size_t FiLastShared = SIZE_MAX;     // the block new short texts go into
    std::unordered_map<int, TRowMark> FMarks;
};
