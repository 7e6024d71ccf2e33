#include "measure/timer.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kWrap = uint64_t{1} << 32;

TEST(TickMs, WrapAddsTwoToThe32OnlyOnTheReadingAfterIt) {
  TickMs tick;
  TickMs other;
  EXPECT_EQ(tick.Next(0xFFFFFF00u), 0xFFFFFF00u);  // the first reading compares with 0
  EXPECT_EQ(other.Next(0x10u), 0x10u);             // each instance has its own memory
  EXPECT_EQ(tick.Next(0x10u), 0x10u + kWrap);
  EXPECT_EQ(tick.Next(0x20u), 0x20u);  // compared with raw 0x10, not the adjusted value
  EXPECT_EQ(tick.Next(0x1Fu), 0x1Fu + kWrap);
  EXPECT_NE(&ProcessInfoTick(), &GpuInfoTick());
}

TEST(CTimer, HalfSecondSleepIsTrustedOnlyStrictlyInsideTheBand) {
  for (double rejected : {0.4, 0.6, 0.0, -0.5, 1.0}) {
    EXPECT_FALSE(CTimer::SleepMeasurementTrusted(rejected)) << rejected;
  }
  for (double trusted : {0.5, 0.40001, 0.59999}) {
    EXPECT_TRUE(CTimer::SleepMeasurementTrusted(trusted)) << trusted;
  }
}

}  // namespace
