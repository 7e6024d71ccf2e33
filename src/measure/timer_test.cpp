#include "measure/timer.h"

#include <gtest/gtest.h>

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

TEST(CTimer, DurationClockFormWithAndWithoutLeadingSpaces) {
  const struct { int64_t ms; const char* keep; const char* strip; } cases[] = {
      {0, "   00:00:00.000", "00:00:00.000"},
      {359999999, "   99:59:59.999", "99:59:59.999"},
      {360000000, "  100:00:00.000", "100:00:00.000"},
      {4294967296LL, " 1193:02:47.296", "1193:02:47.296"},
      {360000000000LL, "100000:00:00.000", "100000:00:00.000"},
      {-5, "   00:00:00.000", "00:00:00.000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(g_timer.FormatDuration(c.ms, 1) + "|" + g_timer.FormatDuration(c.ms, 0),
              std::string(c.keep) + "|" + c.strip);
  }
}

}  // namespace
