#include "measure/timer.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kWrap = uint64_t{1} << 32;

TEST(TickMs, FirstReadingComparesAgainstZero) {
  TickMs tick;
  EXPECT_EQ(tick.Next(0), 0u);
  TickMs other;
  EXPECT_EQ(other.Next(123456), 123456u);
}

TEST(TickMs, WrapAddsTwoToThe32OnceOnly) {
  TickMs tick;
  EXPECT_EQ(tick.Next(0xFFFFFF00u), 0xFFFFFF00u);
  EXPECT_EQ(tick.Next(0x10u), 0x10u + kWrap);
  // The next reading compares with the raw 0x10, not with the adjusted value.
  EXPECT_EQ(tick.Next(0x20u), 0x20u);
  EXPECT_EQ(tick.Next(0x20u), 0x20u);
  EXPECT_EQ(tick.Next(0x1Fu), 0x1Fu + kWrap);
}

TEST(TickMs, InstancesKeepTheirOwnPreviousReading) {
  TickMs a;
  TickMs b;
  a.Next(1000);
  EXPECT_EQ(b.Next(10), 10u);
  EXPECT_EQ(a.Next(10), 10u + kWrap);
  EXPECT_NE(&ProcessInfoTick(), &GpuInfoTick());
  EXPECT_EQ(&ProcessInfoTick(), &ProcessInfoTick());
}

TEST(CTimer, HalfSecondSleepIsTrustedOnlyStrictlyInsideTheBand) {
  struct Case {
    double seconds;
    bool trusted;
  } const cases[] = {
      {0.4, false}, {0.6, false}, {0.5, true}, {0.40001, true}, {0.59999, true},
      {0.0, false}, {-0.5, false}, {1.0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CTimer::SleepMeasurementTrusted(c.seconds), c.trusted) << c.seconds;
  }
}

TEST(CTimer, ReadingsDoNotGoBackwards) {
  double a = g_timer.GetSeconds();
  double b = g_timer.GetSeconds();
  EXPECT_GT(a, 0.0);
  EXPECT_GE(b, a);
  double t1 = g_timer.GetTickSeconds();
  double t2 = g_timer.GetTickSeconds();
  EXPECT_GE(t2, t1);
}

}  // namespace
