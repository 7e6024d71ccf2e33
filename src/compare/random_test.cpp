#include "compare/random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace compare {
namespace {

TEST(Random, FollowsSplitMix64) {
  // The published first outputs for seed 0.
  Random random(0);
  EXPECT_EQ(random.Next(), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(random.Next(), 0x6e789e6aa1b965f4ULL);
  EXPECT_EQ(random.Next(), 0x06c45d188009454fULL);
}

TEST(Random, BelowDrawsEveryValueEvenly) {
  for (uint64_t n : {1ULL, 3ULL, 10ULL, (1ULL << 63) + 1}) {
    Random random(7);
    std::vector<int> counts(10, 0);
    for (int i = 0; i < 30000; ++i) {
      const uint64_t value = random.Below(n);
      ASSERT_LT(value, n);
      if (n <= 10) ++counts[value];
    }
    // 30000 / n each, give or take five standard deviations.
    for (uint64_t v = 0; v < n && n <= 10; ++v) {
      EXPECT_NEAR(counts[v], 30000.0 / n, 5 * std::sqrt(30000.0 / n)) << n << " " << v;
    }
  }
}

}  // namespace
}  // namespace compare
