#include "measure/timer.h"

#include <gtest/gtest.h>

namespace measure {

namespace {

TEST(TickMs, WrapAddsTwoToThe32OnlyOnTheReadingAfterIt) {
  constexpr uint64_t kWrap = uint64_t{1} << 32;
  TickMs tick, other;
  EXPECT_EQ(tick.Next(0xFFFFFF00u), 0xFFFFFF00u);
  EXPECT_EQ(other.Next(0x10u), 0x10u);  // each user has its own memory
  EXPECT_EQ(tick.Next(0x10u), 0x10u + kWrap);
  EXPECT_EQ(tick.Next(0x20u), 0x20u);  // compared with the raw reading, not the adjusted one
  EXPECT_EQ(tick.Next(0x1Fu), 0x1Fu + kWrap);
}

}  // namespace

}  // namespace measure
