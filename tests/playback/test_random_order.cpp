// The shuffled play order: MT19937 draws shifted right by one, rejection of
// rows already drawn, a terminator after every row.
#include "playback/random_order.h"

#include <gtest/gtest.h>
#include <set>

using playback::RandomOrder;

TEST(RandomOrder, FollowsThePublishedMersenneTwisterSequence) {
    // Seed 5489 draws 3499211612, 581869302, 3890346734, 3586334585, ...;
    // shifted right by one and taken modulo 10 they give 6, 1, 7, 2, 2, ...
    RandomOrder order;
    order.Build(10, 5489, 1);
    EXPECT_EQ(order.entries(), (std::vector<int>{6, 1, 7, 2, 5, 4, 9, 0, 3, 8, -1}));
    order.Build(7, 12345, 1);
    EXPECT_EQ(order.entries(), (std::vector<int>{4, 0, 1, 3, 5, 2, 6, -1}));
}

TEST(RandomOrder, HoldsEveryRowOnceFollowedByTheTerminator) {
    for (int count : {1, 2, 1023, 1024, 20000}) {
        RandomOrder order;
        order.Build(count, 987654u + static_cast<unsigned>(count), 3);
        const std::vector<int>& entries = order.entries();
        ASSERT_EQ(entries.size(), static_cast<size_t>(count) + 1) << count;
        EXPECT_EQ(entries.back(), -1);
        const std::set<int> rows(entries.begin(), entries.end() - 1);
        EXPECT_EQ(rows.size(), static_cast<size_t>(count));
        EXPECT_EQ(*rows.begin(), 0);
        EXPECT_EQ(*rows.rbegin(), count - 1);
    }
}

TEST(RandomOrder, AnEmptyListKeepsTheOldOrder) {
    RandomOrder order;
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(order.Current(), -1);
    order.Build(3, 1, 7);
    const std::vector<int> before = order.entries();
    order.Build(0, 2, 8);
    EXPECT_EQ(order.entries(), before);
    EXPECT_TRUE(order.IsBuiltFor(3, 7));
    EXPECT_FALSE(order.IsBuiltFor(3, 8));
    EXPECT_FALSE(order.IsBuiltFor(4, 7));
}

TEST(RandomOrder, TheCursorWalksToTheTerminatorAndStaysThere) {
    RandomOrder order;
    order.Build(3, 42, 1);
    std::set<int> seen{order.Current()};
    EXPECT_TRUE(order.Advance());
    seen.insert(order.Current());
    EXPECT_TRUE(order.Advance());
    seen.insert(order.Current());
    EXPECT_FALSE(order.Advance());
    EXPECT_EQ(order.Current(), -1);
    EXPECT_FALSE(order.Advance());
    EXPECT_EQ(order.cursor(), 3u);
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
    order.Rewind();
    EXPECT_EQ(order.cursor(), 0u);
}
