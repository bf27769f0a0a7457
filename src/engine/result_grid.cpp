#include "result_grid.h"

#include "platform/file_system_rules.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint32_t kBlockChars = 1u << 18; // 512 KiB of UTF-16 per block
} // namespace

TResultGrid::TResultGrid() : FRows(2) {}

void TResultGrid::SetRowCount(int rowCount) {
    rowCount = std::max(rowCount, 0);
    const size_t before = FRows.size();
    const bool shrinks = static_cast<size_t>(rowCount) < before;
    FiRowCount = rowCount;
    if (FRows.size() < static_cast<size_t>(rowCount))
        FRows.resize(static_cast<size_t>(rowCount));
    if (shrinks) {
        FRows.resize(static_cast<size_t>(rowCount));
        for (auto it = FMarks.begin(); it != FMarks.end();)
            it = (it->first >= rowCount) ? FMarks.erase(it) : std::next(it);
        if (static_cast<size_t>(rowCount) * 2 < before)
            Compact(); // most texts are gone: give their memory back

    }
}

QStringView TResultGrid::CellView(int col, int row) const {
    if (col < 0 || col >= kColumns || row < 0 || static_cast<size_t>(row) >= FRows.size())
        return {};
    const CellRef& ref = FRows[static_cast<size_t>(row)].cells[col];
    if (ref.length == 0)
        return {};
    return QStringView(FBlocks[ref.block].get() + ref.offset, static_cast<qsizetype>(ref.length));
}

TResultGrid::CellRef TResultGrid::Store(QStringView text) {
    CellRef ref;
    const auto length = static_cast<std::uint32_t>(text.size());
    if (length == 0)
        return ref;
    if (FBlocks.empty() || FiUsedInLast + length > FBlockSizes.back()) {
        const std::uint32_t size = std::max(kBlockChars, length);
        FBlocks.emplace_back(new char16_t[size]); // left uninitialised: only written parts are read
        FBlockSizes.push_back(size);
        FiUsedInLast = 0;
    }
    ref.block = static_cast<std::uint32_t>(FBlocks.size() - 1);
    ref.offset = FiUsedInLast;
    ref.length = length;
    std::memcpy(FBlocks.back().get() + FiUsedInLast, text.utf16(), length * sizeof(char16_t));
    FiUsedInLast += length;
    return ref;
}

void TResultGrid::SetCell(int col, int row, QStringView text) {
    if (col < 0 || col >= kColumns || row < 0)
        return;
    if (FRows.size() <= static_cast<size_t>(row))
        FRows.resize(static_cast<size_t>(row) + 1);
    FRows[static_cast<size_t>(row)].cells[col] = Store(text);
}

void TResultGrid::ClearRow(int row) {
    if (row < 0 || static_cast<size_t>(row) >= FRows.size())
        return;
    FRows[static_cast<size_t>(row)] = RowRefs{};
    FMarks.erase(row);
}

void TResultGrid::SetRowMark(int row, const TRowMark& mark) {
    if (row < 0)
        return;
    TRowMark kept = mark;
    if (kept.iRepeatsRow > 0 && !SameTarget(kept.iRepeatsRow, row))
        kept.iRepeatsRow = 0;
    if (kept.IsEmpty())
        FMarks.erase(row);
    else
        FMarks[row] = std::move(kept);
}

const TRowMark* TResultGrid::RowMark(int row) const {
    const auto it = FMarks.find(row);
    return it == FMarks.end() ? nullptr : &it->second;
}

TMarkCounts TResultGrid::MarkCounts() const {
    TMarkCounts counts;
    for (const auto& [row, mark] : FMarks) {
        if (row < 1 || row >= FiRowCount)
            continue;
        counts.iRepeats += mark.iRepeatsRow > 0 ? 1 : 0;
        counts.iReplaces += mark.bReplacesFile ? 1 : 0;
        counts.iFailed += mark.bCopyFailed ? 1 : 0;
        if (mark.NotCopied()) {
            ++counts.iNotCopied;
            const auto reason = static_cast<size_t>(mark.eNotCopied);
            if (reason < counts.iNotCopiedFor.size())
                ++counts.iNotCopiedFor[reason];
        }
    }
    return counts;
}

// An earlier row's target against a later row's.
bool TResultGrid::SameTarget(int earlier, int row) const {
    if (earlier >= row)
        return false;
    const QStringView a = CellView(1, earlier);
    const QStringView b = CellView(1, row);
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    const tarnwick::TFileSystemRules loosest = tarnwick::TFileSystemRules::Loosest();
    return loosest.NameKey(a) == loosest.NameKey(b);
}

// Moves the texts of the remaining rows into fresh blocks, dropping what
// earlier, longer contents left behind.
void TResultGrid::Compact() {
    std::vector<std::unique_ptr<char16_t[]>> oldBlocks;
    oldBlocks.swap(FBlocks);
    FBlockSizes.clear();
    FiUsedInLast = 0;
    for (RowRefs& row : FRows) {
        for (CellRef& ref : row.cells) {
            if (ref.length == 0)
                continue;
            ref = Store(QStringView(oldBlocks[ref.block].get() + ref.offset,
                                    static_cast<qsizetype>(ref.length)));
        }
    }
}
