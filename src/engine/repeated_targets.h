#pragma once
// Which earlier row first had a target: a compact table from a target's
// 64-bit hash to the first row with that hash, 12 bytes a slot (open
// addressing, linear probing, at most three quarters full). Texts are not
// kept: two different targets with one hash would pass for one, a chance of
// about one in 10^8 for a million rows; the grid checks every claim of a
// repeat against the two rows' texts.

#include <cstdint>
#include <vector>

class TRepeatedTargets {
public:
    // The first row recorded under hash, or 0 after recording row (> 0)
    // as the first.
    int FirstRow(std::uint64_t hash, int row);
    // The first row recorded under hash, or 0; records nothing.
    int Find(std::uint64_t hash) const;
    // Asks the processor to fetch hash's slot while other work goes on: the
    // table is larger than the caches, so a look-up waits for memory.
    void Prefetch(std::uint64_t hash) const;
    void Clear();
    std::size_t Size() const { return FiUsed; }

private:
    struct TSlot {
        std::uint32_t hashLow;
        std::uint32_t hashHigh;
        std::int32_t row; // 0: free
    };
    static_assert(sizeof(TSlot) == 12);

    void Grow();

    std::vector<TSlot> FSlots;
    std::size_t FiUsed = 0;
};
