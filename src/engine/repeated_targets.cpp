#include "repeated_targets.h"

namespace {

// Spreads the hash's bits over the slot index (the hash may come from a
// function whose low bits are weak).
std::size_t SlotOf(std::uint64_t hash, std::size_t mask) {
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return static_cast<std::size_t>(hash) & mask;
}

} // namespace

int TRepeatedTargets::FirstRow(std::uint64_t hash, int row) {
    if ((FiUsed + 1) * 4 > FSlots.size() * 3)
        Grow();
    const std::size_t mask = FSlots.size() - 1;
    const auto low = static_cast<std::uint32_t>(hash);
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = SlotOf(hash, mask);; i = (i + 1) & mask) {
        TSlot& slot = FSlots[i];
        if (slot.row == 0) {
            slot = TSlot{low, high, row};
            ++FiUsed;
            return 0;
        }
        if (slot.hashLow == low && slot.hashHigh == high)
            return slot.row;
    }
}

void TRepeatedTargets::Prefetch(std::uint64_t hash) const {
    if (!FSlots.empty())
        __builtin_prefetch(&FSlots[SlotOf(hash, FSlots.size() - 1)]);
}

int TRepeatedTargets::Find(std::uint64_t hash) const {
    if (FSlots.empty())
        return 0;
    const std::size_t mask = FSlots.size() - 1;
    const auto low = static_cast<std::uint32_t>(hash);
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = SlotOf(hash, mask);; i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (slot.row == 0)
            return 0;
        if (slot.hashLow == low && slot.hashHigh == high)
            return slot.row;
    }
}

void TRepeatedTargets::Clear() {
    FSlots.clear();
    FiUsed = 0;
}

void TRepeatedTargets::Grow() {
    std::vector<TSlot> old;
    old.swap(FSlots);
    FSlots.assign(old.empty() ? 1024 : old.size() * 2, TSlot{0, 0, 0});
    const std::size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : old) {
        if (slot.row == 0)
            continue;
        const std::uint64_t hash = (std::uint64_t(slot.hashHigh) << 32) | slot.hashLow;
        std::size_t i = SlotOf(hash, mask);
        while (FSlots[i].row != 0)
            i = (i + 1) & mask;
        FSlots[i] = slot;
    }
}
