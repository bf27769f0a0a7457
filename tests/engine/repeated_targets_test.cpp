#include "engine/repeated_targets.h"

#include <gtest/gtest.h>
#include <random>
#include <unordered_map>

// Against a plain map, over enough rows to grow the table many times and
// with hashes that share their low or high halves.
TEST(RepeatedTargets, FirstRowOfEveryHash) {
    TRepeatedTargets table;
    std::unordered_map<std::uint64_t, int> first;
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> seen;
    for (int row = 1; row <= 200000; ++row) {
        std::uint64_t hash;
        switch (row % 4) {
        case 0: // a repeat of an earlier target
            hash = seen.empty() ? 1 : seen[random() % seen.size()];
            break;
        case 1:
            hash = random() & 0xFFFFFFFF00000000ULL; // low half zero
            break;
        case 2:
            hash = random() & 0xFFFFFFFFULL; // high half zero
            break;
        default:
            hash = random();
        }
        seen.push_back(hash);
        const auto [it, fresh] = first.try_emplace(hash, row);
        ASSERT_EQ(table.Find(hash), fresh ? 0 : it->second) << row;
        ASSERT_EQ(table.FirstRow(hash, row), fresh ? 0 : it->second) << row;
    }
    EXPECT_EQ(table.Size(), first.size());
    EXPECT_EQ(table.Find(0), first.count(0) ? first[0] : 0);
    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_EQ(table.Find(seen.front()), 0);
    EXPECT_EQ(table.FirstRow(seen.front(), 5), 0);
    EXPECT_EQ(table.FirstRow(seen.front(), 9), 5);
}
