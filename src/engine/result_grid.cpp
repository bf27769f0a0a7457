#include "result_grid.h"

#include "platform/file_system_rules.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace {

constexpr std::size_t kChunkRows = std::size_t(1) << 12; // 64 KiB of places a chunk
constexpr std::size_t kBlockBytes = std::size_t(1) << 20; // a shared block of texts
// Texts longer than this get a block of their own, so a shared block never
// ends in much unused room.
constexpr std::size_t kOwnBlockAbove = kBlockBytes / 8;

constexpr int kLengthShift = 1;
constexpr int kOffsetShift = 22;
constexpr int kBlockShift = 42;
constexpr std::uint64_t kLengthMask = (std::uint64_t(1) << (kOffsetShift - kLengthShift)) - 1;
constexpr std::uint64_t kOffsetMask = (std::uint64_t(1) << (kBlockShift - kOffsetShift)) - 1;
constexpr std::uint64_t kOwnBlock = kLengthMask;
constexpr std::uint64_t kWide = 1;
static_assert(kBlockBytes - 1 <= kOffsetMask, "an offset must fit its bits");
static_assert(kOwnBlockAbove < kOwnBlock, "a shared block's text length must fit its bits");

// The text a place names among blocks.
QAnyStringView TextAt(std::uint64_t ref, const std::vector<std::unique_ptr<char[]>>& blocks,
                      const std::vector<std::size_t>& ownChars) {
    if (ref == 0)
        return QLatin1StringView();
    const std::size_t block = static_cast<std::size_t>(ref >> kBlockShift);
    const std::size_t offset = static_cast<std::size_t>((ref >> kOffsetShift) & kOffsetMask);
    std::size_t length = static_cast<std::size_t>((ref >> kLengthShift) & kLengthMask);
    if (length == kOwnBlock)
        length = ownChars[block];
    const char* at = blocks[block].get() + offset;
    if (ref & kWide)
        return QStringView(reinterpret_cast<const char16_t*>(at), static_cast<qsizetype>(length));
    return QLatin1StringView(at, static_cast<qsizetype>(length));
}

} // namespace

TResultGrid::TResultGrid() = default;

void TResultGrid::SetRowCount(int rowCount) {
    rowCount = std::max(rowCount, 0);
    const std::size_t before = FiRowsHeld;
    const auto count = static_cast<std::size_t>(rowCount);
    FiRowCount = rowCount;
    if (count > before) {
        FiRowsHeld = count; // empty rows: their chunks come when written
    } else if (count < before) {
        DropRowsFrom(count);
        FiRowsHeld = count;
        for (auto it = FMarks.begin(); it != FMarks.end();)
            it = (it->first >= rowCount) ? FMarks.erase(it) : std::next(it);
        if (count * 2 < before)
            Compact(); // most texts are gone: give their memory back
    }
}

const TResultGrid::TRowRefs* TResultGrid::FindRow(int row) const {
    if (row < 0)
        return nullptr;
    const std::size_t chunk = static_cast<std::size_t>(row) / kChunkRows;
    if (chunk >= FChunks.size() || !FChunks[chunk])
        return nullptr;
    return &FChunks[chunk][static_cast<std::size_t>(row) % kChunkRows];
}

TResultGrid::TRowRefs& TResultGrid::WritableRow(int row) {
    const std::size_t chunk = static_cast<std::size_t>(row) / kChunkRows;
    if (FChunks.size() <= chunk)
        FChunks.resize(chunk + 1);
    if (!FChunks[chunk])
        FChunks[chunk] = std::make_unique<TRowRefs[]>(kChunkRows); // all empty
    FiRowsHeld = std::max(FiRowsHeld, static_cast<std::size_t>(row) + 1);
    return FChunks[chunk][static_cast<std::size_t>(row) % kChunkRows];
}

// Empties every row from row on, giving back the chunks that hold no row
// before it.
void TResultGrid::DropRowsFrom(std::size_t row) {
    const std::size_t kept = (row + kChunkRows - 1) / kChunkRows;
    if (FChunks.size() > kept)
        FChunks.resize(kept);
    const std::size_t partial = row / kChunkRows;
    if (row % kChunkRows != 0 && partial < FChunks.size() && FChunks[partial]) {
        TRowRefs* rows = FChunks[partial].get();
        std::fill(rows + row % kChunkRows, rows + kChunkRows, TRowRefs{});
    }
}

QAnyStringView TResultGrid::Text(TCellRef ref) const {
    return TextAt(ref, FBlocks, FBlockOwnChars);
}

QAnyStringView TResultGrid::CellView(int col, int row) const {
    if (col < 0 || col >= kColumns)
        return QLatin1StringView();
    const TRowRefs* refs = FindRow(row);
    return refs ? Text(refs->cells[col]) : QLatin1StringView();
}

char* TResultGrid::NewBlock(std::size_t bytes, std::size_t ownChars) {
    // Left uninitialised: only written parts are read.
    FBlocks.push_back(std::make_unique_for_overwrite<char[]>(bytes));
    FBlockOwnChars.push_back(ownChars);
    return FBlocks.back().get();
}

namespace {

bool FitsLatin1(QStringView text) {
    char16_t all = 0;
    for (const char16_t c : std::u16string_view(text.utf16(), static_cast<size_t>(text.size())))
        all |= c;
    return all < 0x100;
}

} // namespace

// Finds room for a text of length characters, one byte each or UTF-16 when
// wide, has write put it there and returns its place.
template <typename Write>
TResultGrid::TCellRef TResultGrid::Store(qsizetype textLength, bool wide, Write write) {
    const auto length = static_cast<std::size_t>(textLength);
    if (length == 0)
        return 0;
    const std::size_t bytes = wide ? length * sizeof(char16_t) : length;
    char* to = nullptr;
    std::uint64_t block = 0;
    std::uint64_t offset = 0;
    std::uint64_t lengthBits = length;
    if (bytes > kOwnBlockAbove) {
        to = NewBlock(bytes, length);
        block = FBlocks.size() - 1;
        lengthBits = kOwnBlock;
    } else {
        std::size_t at = FiUsedInLast + (wide ? FiUsedInLast % 2 : 0); // UTF-16 on even bytes
        if (FiLastShared == SIZE_MAX || at + bytes > kBlockBytes) {
            NewBlock(kBlockBytes, 0);
            FiLastShared = FBlocks.size() - 1;
            at = 0;
        }
        block = FiLastShared;
        offset = at;
        to = FBlocks[FiLastShared].get() + at;
        FiUsedInLast = at + bytes;
    }
    write(to);
    return (wide ? kWide : 0) | lengthBits << kLengthShift | offset << kOffsetShift |
           block << kBlockShift;
}

TResultGrid::TCellRef TResultGrid::Store(QStringView text) {
    if (FitsLatin1(text))
        return Store(text.size(), false, [text](char* to) {
            const char16_t* from = text.utf16();
            for (qsizetype i = 0; i < text.size(); ++i)
                to[i] = static_cast<char>(from[i]);
        });
    return Store(text.size(), true, [text](char* to) {
        std::memcpy(to, text.utf16(), static_cast<size_t>(text.size()) * sizeof(char16_t));
    });
}

TResultGrid::TCellRef TResultGrid::Store(QLatin1StringView text) {
    return Store(text.size(), false, [text](char* to) {
        std::memcpy(to, text.data(), static_cast<size_t>(text.size()));
    });
}

void TResultGrid::SetCell(int col, int row, QStringView text) {
    if (col < 0 || col >= kColumns || row < 0)
        return;
    const TCellRef ref = Store(text);
    WritableRow(row).cells[col] = ref;
}

void TResultGrid::ClearRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= FiRowsHeld)
        return;
    if (TRowRefs* refs = FindRow(row))
        *refs = TRowRefs{};
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
    const QAnyStringView a = CellView(1, earlier);
    const QAnyStringView b = CellView(1, row);
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    const tarnwick::TFileSystemRules loosest = tarnwick::TFileSystemRules::Loosest();
    return loosest.NameKey(a.toString()) == loosest.NameKey(b.toString());
}

// Moves the texts of the remaining rows into fresh blocks, dropping what
// earlier, longer contents left behind, and gives back the chunks that hold
// no text.
void TResultGrid::Compact() {
    std::vector<std::unique_ptr<char[]>> oldBlocks;
    std::vector<std::size_t> oldOwnChars;
    oldBlocks.swap(FBlocks);
    oldOwnChars.swap(FBlockOwnChars);
    FiUsedInLast = 0;
    FiLastShared = SIZE_MAX;
    for (TChunk& chunk : FChunks) {
        if (!chunk)
            continue;
        bool holdsText = false;
        for (std::size_t r = 0; r < kChunkRows; ++r) {
            for (TCellRef& ref : chunk[r].cells) {
                if (ref == 0)
                    continue;
                ref = TextAt(ref, oldBlocks, oldOwnChars).visit([this](auto text) {
                    if constexpr (std::is_same_v<decltype(text), QUtf8StringView>)
                        return Store(QStringView(text.toString())); // not held
                    else
                        return Store(text);
                });
                holdsText = true;
            }
        }
        if (!holdsText)
            chunk.reset();
    }
    while (!FChunks.empty() && !FChunks.back())
        FChunks.pop_back();
    FChunks.shrink_to_fit();
}
