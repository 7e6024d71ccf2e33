#include "compare/schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace compare {
namespace {

TEST(Schedule, BlockOrderIsAFixedShufflePerSeedAndBlock) {
  // The same on every compiler and system: these run under Wine too.
  using Order = std::vector<size_t>;
  EXPECT_EQ(BlockOrder(5, 1, 0), (Order{2, 4, 3, 0, 1}));
  EXPECT_EQ(BlockOrder(5, 1, 1), (Order{0, 4, 3, 2, 1}));
  EXPECT_EQ(BlockOrder(5, 2, 0), (Order{2, 0, 3, 4, 1}));
  EXPECT_EQ(BlockOrder(1, 1, 0), (Order{0}));
  EXPECT_TRUE(BlockOrder(0, 1, 0).empty());
  // Every block a permutation, and the first place taken by each variant
  // about equally often, so no variant always runs first.
  std::vector<int> first(4, 0);
  for (size_t block = 0; block < 400; ++block) {
    Order order = BlockOrder(4, 9, block);
    ++first[order[0]];
    std::sort(order.begin(), order.end());
    ASSERT_EQ(order, (Order{0, 1, 2, 3}));
  }
  for (int count : first) EXPECT_NEAR(count, 100, 30);
}

TEST(Schedule, FrameAtWrapsAtTheRangesEndOrDrawsFromTheSeed) {
  const struct { FrameOrder order; std::vector<int64_t> frames; } cases[] = {
      {FrameOrder::kForward, {10, 11, 12, 10, 11, 12, 10}},
      {FrameOrder::kReverse, {12, 11, 10, 12, 11, 10, 12}},
  };
  for (const auto& c : cases) {
    for (uint64_t k = 0; k < c.frames.size(); ++k) {
      EXPECT_EQ(FrameAt(c.order, 10, 12, k, 1), c.frames[k]) << FrameOrderName(c.order) << k;
    }
  }
  EXPECT_EQ(FrameAt(FrameOrder::kReverse, 0, 0, 5, 1), 0);
  // Random frames stay in range and repeat with the seed.
  std::set<int64_t> seen;
  for (uint64_t k = 0; k < 2000; ++k) {
    const int64_t frame = FrameAt(FrameOrder::kRandom, 100, 199, k, 5);
    ASSERT_TRUE(frame >= 100 && frame <= 199) << frame;
    ASSERT_EQ(frame, FrameAt(FrameOrder::kRandom, 100, 199, k, 5));
    seen.insert(frame);
  }
  EXPECT_EQ(seen.size(), 100u);
  EXPECT_EQ(FrameAt(FrameOrder::kRandom, 100, 199, 0, 5), 141);
  EXPECT_NE(FrameAt(FrameOrder::kRandom, 0, 1 << 30, 3, 5), FrameAt(FrameOrder::kRandom, 0, 1 << 30, 3, 6));
}

}  // namespace
}  // namespace compare
