#include "measure/process_info.h"

#include <gtest/gtest.h>

#include <tuple>

namespace measure {

namespace {

struct FakeStats : ProcessStatsSource {
  bool SystemTimes(platform::SystemTimes* t) override {
    if (times_ok) t->kernel = system / 2, t->user = system - system / 2;
    return times_ok;
  }
  bool ProcessTimes(platform::ProcessTimes* t) override {
    if (times_ok) t->kernel = 0, t->user = process;
    return times_ok;
  }
  bool Memory(platform::MemoryCounters* c) override {
    c->working_set = c->pagefile_usage = memory;
    return true;
  }
  int Threads() override { return ++thread_counts, threads; }
  uint64_t TickMs() override { return tick; }

  bool times_ok = true;
  uint64_t system = 2000000, process = 10000, memory = 0, tick = 1000;
  int threads = 7, thread_counts = 0;
};

TEST(ProcessInfo, CpuIsTheProcessShareOfEachInterval) {
  FakeStats stats;
  ProcessStats info(stats);
  stats.system += 1000, stats.process += 900;
  info.Refresh();
  EXPECT_EQ(info.cpu_usage, 0);  // the first refresh only sets the base
  const struct { uint64_t system, process; bool ok; uint16_t published; } steps[] = {
      {1000, 500, true, 50}, {1000, 1000, true, 100}, {1000, 5, true, 0}, {1000, 250, true, 25},
      {1000, 1500, true, 0},   // above 100
      {1000, 3000, true, 44},  // 300: only the low 8 bits survive
      {0, 0, true, 44},        // no time passed: the old share stays
      {1000, 100, false, 44},  // a failed query keeps the share and the base...
      {1000, 700, true, 40},   // ...so this covers both intervals
  };
  for (const auto& s : steps) {
    stats.tick += 100, stats.system += s.system, stats.process += s.process;
    stats.times_ok = s.ok;
    info.Refresh();
    EXPECT_EQ(info.cpu_usage, s.published) << s.process << "/" << s.system;
  }
}

// Memory is rounded to the nearest megabyte, halves up.
TEST(ProcessInfo, RefreshEvery100MsThreadsEveryMoreThan5s) {
  FakeStats stats;
  ProcessStats info(stats);
  EXPECT_EQ(info.thread_count, 7);
  const struct { uint64_t tick, set_bytes; int set_threads; uint32_t mb; int threads; } steps[] = {
      {1000, 1572863, 9, 1, 7},       {1099, 524287, 9, 1, 7},  // under 100 ms: skipped
      {1100, 524287, 9, 0, 7},        {5000, 524288, 9, 1, 7},  // threads: not more than 5000 since 0
      {5001, 1572864, 9, 1, 7},       {5101, 1572864, 9, 2, 9},
      {10101, 1572864, 11, 2, 9},     {10202, 3ull << 30, 11, 3072, 11},
  };
  for (const auto& s : steps) {
    stats.tick = s.tick, stats.memory = s.set_bytes, stats.threads = s.set_threads;
    info.Refresh();
    EXPECT_EQ(std::make_tuple(info.physical_memory, info.virtual_memory, info.thread_count),
              std::make_tuple(s.mb, s.mb, s.threads)) << s.tick;
  }
  EXPECT_EQ(stats.thread_counts, 3);
  FakeStats uncountable;
  uncountable.threads = -1;
  EXPECT_EQ(ProcessStats(uncountable).thread_count, 0);
}

}  // namespace

}  // namespace measure
