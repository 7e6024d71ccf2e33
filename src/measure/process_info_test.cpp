#include "measure/process_info.h"

#include <gtest/gtest.h>

namespace {

class FakeStats : public ProcessStatsSource {
 public:
  bool SystemTimes(platform::SystemTimes* t) override {
    if (!times_ok) return false;
    t->kernel = system_kernel;
    t->user = system_user;
    return true;
  }
  bool ProcessTimes(platform::ProcessTimes* t) override {
    if (!times_ok) return false;
    t->kernel = process_kernel;
    t->user = process_user;
    return true;
  }
  bool Memory(platform::MemoryCounters* c) override {
    c->working_set = working_set;
    c->pagefile_usage = pagefile;
    return true;
  }
  int Threads() override {
    ++thread_counts;
    return threads;
  }
  uint64_t TickMs() override { return tick; }

  // Lets one sample's CPU share come out as percent of the interval.
  void Advance(uint64_t system_delta, uint64_t process_delta) {
    system_kernel += system_delta / 2;
    system_user += system_delta - system_delta / 2;
    process_user += process_delta;
  }

  bool times_ok = true;
  uint64_t system_kernel = 1000000, system_user = 1000000;
  uint64_t process_kernel = 5000, process_user = 5000;
  uint64_t working_set = 0, pagefile = 0;
  int threads = 7;
  int thread_counts = 0;
  uint64_t tick = 1000;
};

TEST(ProcessInfo, MemoryIsRoundedToTheNearestMegabyteHalvesUp) {
  const struct {
    uint64_t bytes;
    uint32_t megabytes;
  } cases[] = {{0, 0}, {524287, 0}, {524288, 1}, {1572863, 1}, {1572864, 2}, {3ull << 30, 3072}};
  for (const auto& c : cases) {
    FakeStats stats;
    stats.working_set = c.bytes;
    stats.pagefile = c.bytes;
    CProcessInfo info(stats);
    info.Refresh();
    EXPECT_EQ(info.physical_memory, c.megabytes) << c.bytes;
    EXPECT_EQ(info.virtual_memory, c.megabytes) << c.bytes;
  }
}

TEST(ProcessInfo, FirstRefreshPublishesNoCpuThenSharesOfTheInterval) {
  FakeStats stats;
  CProcessInfo info(stats);
  stats.Advance(1000, 900);  // would be 90% if the first sample computed it
  info.Refresh();
  EXPECT_EQ(info.cpu_usage, 0);

  const struct {
    uint64_t system, process;
    uint16_t published;
  } cases[] = {
      {1000, 500, 50}, {1000, 1000, 100}, {1000, 5, 0},  // 0.5% truncates to 0
      {1000, 1500, 0},                                   // above 100
      {1000, 3000, 44},  // 300: only the low 8 bits survive, and 44 is in range
  };
  for (const auto& c : cases) {
    stats.tick += 100;
    stats.Advance(c.system, c.process);
    info.Refresh();
    EXPECT_EQ(info.cpu_usage, c.published) << c.process << "/" << c.system;
  }
}

TEST(ProcessInfo, CpuShareSurvivesEmptyIntervalsAndFailedQueries) {
  FakeStats stats;
  CProcessInfo info(stats);
  info.Refresh();
  stats.tick += 100;
  stats.Advance(1000, 250);
  info.Refresh();
  ASSERT_EQ(info.cpu_usage, 25);

  stats.tick += 100;  // no processor time passed at all
  info.Refresh();
  EXPECT_EQ(info.cpu_usage, 25);

  // A failed query keeps the old value and the old base: the next good sample
  // covers both intervals.
  stats.times_ok = false;
  stats.tick += 100;
  stats.Advance(1000, 100);
  info.Refresh();
  EXPECT_EQ(info.cpu_usage, 25);
  stats.times_ok = true;
  stats.tick += 100;
  stats.Advance(1000, 700);
  info.Refresh();
  EXPECT_EQ(info.cpu_usage, 40);
}

TEST(ProcessInfo, RefreshWithinHundredMillisecondsChangesNothing) {
  FakeStats stats;
  CProcessInfo info(stats);
  stats.working_set = 10u << 20;
  info.Refresh();
  stats.working_set = 20u << 20;
  stats.tick += 99;
  info.Refresh();
  EXPECT_EQ(info.physical_memory, 10u);
  stats.tick += 1;
  info.Refresh();
  EXPECT_EQ(info.physical_memory, 20u);
}

TEST(ProcessInfo, ThreadsAreRecountedOnlyAfterMoreThanFiveSeconds) {
  FakeStats stats;
  CProcessInfo info(stats);
  EXPECT_EQ(info.thread_count, 7);
  EXPECT_EQ(stats.thread_counts, 1);

  stats.threads = 9;
  stats.tick = 5000;  // 5000 since the start of the tick: not more than 5000
  info.Refresh();
  EXPECT_EQ(info.thread_count, 7);
  stats.tick = 5001;
  info.Refresh();  // under 100 ms after the last refresh: skipped entirely
  EXPECT_EQ(info.thread_count, 7);
  stats.tick = 5101;
  info.Refresh();
  EXPECT_EQ(info.thread_count, 9);

  stats.threads = 11;
  stats.tick = 10101;
  info.Refresh();
  EXPECT_EQ(info.thread_count, 9);
  stats.tick = 10202;
  info.Refresh();
  EXPECT_EQ(info.thread_count, 11);
  EXPECT_EQ(stats.thread_counts, 3);
}

TEST(ProcessInfo, UncountableThreadsGiveZeroAndClosingIsRemembered) {
  FakeStats stats;
  stats.threads = -1;
  CProcessInfo info(stats);
  EXPECT_EQ(info.thread_count, 0);
  EXPECT_TRUE(info.process_open());
  info.CloseProcessHandle();
  EXPECT_FALSE(info.process_open());
}

}  // namespace
