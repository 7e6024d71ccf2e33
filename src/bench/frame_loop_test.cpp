#include "bench/frame_loop.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "console/testing/recording_console.h"
#include "platform/console.h"

namespace bench {

namespace {

// Every sample reads the clock once; each reading is the next of `steps`
// seconds after the last, so with steps {0.3} every record draws a page.
class FakeProbes : public LoopProbes {
 public:
  double Seconds() override { return now += steps[readings++ % steps.size()]; }
  void RefreshProcess() override { ++process_refreshes; }
  ProcessFigures Process() override {
    ProcessFigures p;
    p.cpu_usage = cpu.empty() ? 0 : cpu[process_refreshes % cpu.size()];
    p.thread_count = 5, p.physical_memory = 100 + process_refreshes, p.virtual_memory = 200;
    return p;
  }
  void RefreshGpu() override {}
  GpuFigures Gpu() override { return {}; }
  bool KeyHit() override { return !keys.empty(); }
  int ReadKey() override {
    const int key = keys.front();
    return keys.pop_front(), key;
  }
  bool StopRequestKept() override { return ++stop_checks >= stop_from_check && stop_from_check > 0; }

  double now = 1000.0;
  std::vector<double> steps = {0.01};
  size_t readings = 0;
  std::vector<uint16_t> cpu;
  int process_refreshes = 0;
  std::deque<int> keys;
  int stop_checks = 0, stop_from_check = 0;  // 0: no request from outside
};

struct LoopRun {
  FrameLoopState state;
  FakeProbes probes;
  uint32_t fail_at = UINT32_MAX;
  console::RecordingConsole console;
  FrameLoopOptions options;

  void Run(uint32_t first, uint32_t last, uint32_t interval) {
    PrepareFrameLoop(FrameRange{first, last, last - first + 1}, interval, options, state, console);
    auto clip = [this](uint32_t n) { if (n == fail_at) throw std::runtime_error("bad frame"); };
    RunFrameLoop(clip, state, options, probes, console);
  }
  std::vector<uint32_t> RecordFrames() const {
    std::vector<uint32_t> frames;
    for (uint32_t i = 0; i < state.stats.record_count; ++i) frames.push_back(state.samples[i].frame);
    return frames;
  }
};

TEST(FrameLoop, IntervalOneRecordsEveryFrameAndTracksMinMax) {
  LoopRun run;
  run.probes.steps = {0.0, 0.1, 0.05, 0.2, 0.125};
  run.Run(0, 3, 1);
  EXPECT_EQ(run.RecordFrames(), (std::vector<uint32_t>{0, 1, 2, 3}));
  EXPECT_NEAR(run.state.samples[0].current_frame_rate, 10, 1e-9);
  EXPECT_NEAR(run.state.stats.minimum_frame_rate, 5, 1e-9);
  EXPECT_NEAR(run.state.stats.maximum_frame_rate, 20, 1e-9);
  EXPECT_NEAR(run.state.stats.current_frame_rate, 8, 1e-9);
}

TEST(FrameLoop, TheTailAfterTheLastFullIntervalIsSampledButNotRecorded) {
  LoopRun run;
  run.probes.cpu = {0, 0, 10, 20, 30, 41};  // by refreshes so far, priming first
  run.Run(0, 9, 3);
  const RunStatistics& s = run.state.stats;
  EXPECT_EQ(run.RecordFrames(), (std::vector<uint32_t>{2, 5, 8}));
  // CPU 25: 101 / 4, the tail's 41 counts.
  EXPECT_EQ(std::vector<int64_t>({s.frames_processed, s.sample_count, s.cpu_average, s.elapsed_ms, s.last_frame,
                                  s.peak_physical_memory}), std::vector<int64_t>({10, 4, 25, 40, 9, 105}));
  EXPECT_NEAR(s.average_frame_rate, 10 / 0.04, 1e-6);
  EXPECT_NEAR(run.state.samples[2].average_frame_rate, 9 / 0.03, 1e-6);
}

TEST(FrameLoop, RangeShorterThanTheIntervalLeavesNoRecordAndNoPage) {
  LoopRun run;
  run.probes.steps = {1.0};
  run.Run(0, 6, 10);
  EXPECT_EQ(std::make_tuple(run.state.stats.frames_processed, run.state.stats.record_count,
                            run.state.stats.minimum_frame_rate, run.state.first_page_pending),
            std::make_tuple(7u, 0u, 1e20, true));
  EXPECT_EQ(run.console.out, "\rReading frames...\r");
  LoopRun one, after_prompt;
  one.Run(5, 5, 10);
  EXPECT_EQ(one.console.out, "\rReading frame...\r");
  after_prompt.options.show_status = false;
  after_prompt.Run(0, 0, 10);
  EXPECT_EQ(after_prompt.console.out, "");
}

TEST(FrameLoop, SizingKeepsTheRecordsBelowHalfAMillion) {
  EXPECT_EQ(SizedInterval(4294967295u, 1), 10000u);
  EXPECT_EQ(SizedInterval(10, 0), 1u) << "an interval of 0 would divide by zero";
  const struct { uint32_t frames, interval, sized; size_t array; } cases[] = {
      {5000000, 10, 10, 500002}, {6000000, 10, 100, 60002}, {10, 3, 3, 5}, {10, 1, 1, 12}};
  for (const auto& c : cases) {
    LoopRun run;
    PrepareFrameLoop(FrameRange{0, c.frames - 1, c.frames}, c.interval, {}, run.state, run.console);
    EXPECT_EQ(std::make_pair(run.state.interval, run.state.samples.size()), std::make_pair(c.sized, c.array));
  }
}

TEST(FrameLoop, StopsOnlyAtAPage) {
  LoopRun limited;  // pages at 300, 600, 900, 1200 ms: the fourth ends the run
  limited.probes.steps = {0.3};
  limited.options.time_limit = 1;
  limited.Run(10, 99, 1);
  EXPECT_EQ(std::make_pair(limited.state.stats.frames_processed, limited.state.stats.last_frame),
            std::make_pair(4u, 13u));

  LoopRun keyed;  // one key per page; only Esc stops, at the fifth page
  keyed.probes.steps = {0.3};
  keyed.probes.keys = {'a', platform::kKeySequence, platform::kKeyEndOfInput, 'q', platform::kKeyEscape, 'x'};
  keyed.Run(0, 99, 2);
  EXPECT_EQ(keyed.state.stats.last_frame, 9u);
  EXPECT_EQ(keyed.probes.keys, std::deque<int>{'x'});

  LoopRun requested;  // a request from outside is seen at the third page, as Esc would be
  requested.probes.steps = {0.3};
  requested.probes.stop_from_check = 3;
  requested.probes.keys = {'a', 'b', 'c'};
  requested.Run(20, 99, 1);
  EXPECT_EQ(std::make_tuple(requested.state.stats.frames_processed, requested.state.stats.last_frame,
                            requested.probes.keys.size()), std::make_tuple(3u, 22u, size_t{1}));
}

TEST(FrameLoop, TheTimeLimitEndsTheRunOnceItsSecondsHaveFullyPassed) {
  const struct { int64_t limit, elapsed_ms; bool stop; } cases[] = {
      {1, 999, false}, {1, 1000, true}, {60, 59999, false}, {60, 60000, true}, {-1, INT64_MAX / 2, false}};
  for (const auto& c : cases) {
    FrameLoopState state;
    state.stats.elapsed_ms = c.elapsed_ms;
    FakeProbes probes;
    EXPECT_EQ(StopRequested(state, FrameLoopOptions{.time_limit = c.limit}, probes), c.stop) << c.elapsed_ms;
  }
}

TEST(FrameLoop, AnExceptionLeavesTheRecordsStoredSoFar) {
  LoopRun run;
  run.fail_at = 5;
  run.probes.steps = {0};  // records closer than a microsecond count as one apart
  EXPECT_THROW(run.Run(0, 9, 2), std::runtime_error);
  EXPECT_EQ(run.state.stats.frames_processed, 5u);
  EXPECT_EQ(run.RecordFrames(), (std::vector<uint32_t>{1, 3}));
  EXPECT_DOUBLE_EQ(run.state.stats.maximum_frame_rate, 2 / 0.000001);
}

TEST(LivePage, LinesFollowTheDisplaySettings) {
  FrameLoopState state;
  RunStatistics& s = state.stats;
  s.current_frame_rate = 25, s.minimum_frame_rate = 20, s.maximum_frame_rate = 50, s.average_frame_rate = 30;
  s.last_frame = 99, s.physical_memory = 300, s.virtual_memory = 400, s.thread_count = 12, s.cpu_usage = 40;
  s.cpu_average = 30, s.elapsed_ms = 3723004, s.estimated_ms = 7446008;
  FrameLoopOptions options;
  options.display_tpf = options.display_efficiency_index = 1;
  EXPECT_EQ(PageLines(state, 41, options),
            (std::vector<std::string>{"Frame (current | last):         41 | 99",
                                      "FPS (cur | min | max | avg):    25.00 | 20.00 | 50.00 | 30.00",
                                      "TPF (cur | max | min | avg):    40.00 | 50.00 | 20.00 | 33.33 ms",
                                      "Memory usage (phys | virt):     300 | 400 MB",
                                      "Thread count:                   12",
                                      "CPU usage (current | average):  40% | 30%",
                                      "Efficiency index:               1.000",
                                      "",
                                      "Time (elapsed | estimated):     01:02:03.004 | 02:04:06.008"}));
  state.stats.cpu_average = 0;
  EXPECT_EQ(PageLines(state, 41, options)[6], "Efficiency index:               n/a");
}

}  // namespace

}  // namespace bench
