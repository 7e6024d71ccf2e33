#include "compare/random.h"

#include <gtest/gtest.h>

namespace compare {
namespace {

TEST(Random, FollowsSplitMix64) {
  // The published first outputs for seed 0.
  Random random(0);
  EXPECT_EQ(random.Next(), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(random.Next(), 0x6e789e6aa1b965f4ULL);
  EXPECT_EQ(random.Next(), 0x06c45d188009454fULL);
  EXPECT_EQ(random.Below(1), 0u);
}

}  // namespace
}  // namespace compare
