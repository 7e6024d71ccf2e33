#include "platform/clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace platform {
namespace {

// Readings are comparable across threads (and so processors), never go back, and a sleep lasts as asked.
TEST(Clock, CounterAndTickAdvanceAcrossThreadsAndSleeps) {
  int64_t frequency = 0, before = 0, other = 0, after = 0;
  ASSERT_TRUE(CounterFrequency(&frequency) && ReadCounter(&before));
  const uint32_t tick = TickCount32();
  std::thread([&] { ReadCounter(&other); }).join();
  SleepMs(20);
  ASSERT_TRUE(ReadCounter(&after));
  EXPECT_TRUE(before <= other && other <= after) << before << " " << other << " " << after;
  EXPECT_GE(static_cast<double>(after - before) / static_cast<double>(frequency), 0.020);
  EXPECT_GE(static_cast<uint32_t>(TickCount32() - tick), 20u);
}

}  // namespace
}  // namespace platform
