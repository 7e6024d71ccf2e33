#include "bench/run_summary.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "console/testing/recording_console.h"

namespace bench {

namespace {

class RunSummary : public testing::Test {
 protected:
  void SetUp() override {
    RunStatistics& s = state.stats;
    s.frames_processed = 1000, s.first_frame = 0, s.last_frame = 999;
    s.minimum_frame_rate = 20, s.maximum_frame_rate = 50, s.average_frame_rate = 25;
    s.peak_physical_memory = 310, s.peak_virtual_memory = 420, s.physical_memory = 300;
    s.thread_count = 12, s.cpu_average = 50, s.elapsed_ms = 40000, s.estimated_ms = 80000;
    state.range_frame_count = 1000, state.interval = 10;
  }

  std::string Report() {
    std::string report = "[Clip info]";
    PrintRunSummary(state, options, &report, console);
    return report;
  }

  FrameLoopState state;
  SummaryOptions options;
  console::RecordingConsole console;
};

// The "N (first - last)" form is the whole summary's, below.
TEST_F(RunSummary, OneFrameIsNamedByItsNumberUnlessItIsFrame0) {
  state.stats.frames_processed = 1, state.stats.first_frame = state.stats.last_frame = 5;
  EXPECT_EQ(FramesProcessedLine(state.stats), "Frames processed:               1 (5)");
  state.stats.first_frame = state.stats.last_frame = 0;
  EXPECT_EQ(FramesProcessedLine(state.stats), "Frames processed:               1");
}

TEST_F(RunSummary, EstimatedTimeOnlyForARunEndedEarlyWithTheSettingOn) {
  const struct { int32_t log_estimated; uint32_t processed; const char* line; } cases[] = {
      {1, 523, "Time (elapsed | estimated):     00:00:40.000 | 00:01:20.000\n"},
      {0, 523, "Time (elapsed):                 00:00:40.000\n"},
      {1, 1000, "Time (elapsed):                 00:00:40.000\n"},
  };
  for (const auto& c : cases) {
    options.log_estimated_time = c.log_estimated;
    state.stats.frames_processed = c.processed;
    const std::string report = Report();
    EXPECT_EQ(report.substr(std::min(report.find("Time"), report.size())), c.line) << report;
  }
}

TEST_F(RunSummary, TooShortRangeGivesOnlyTheNoticeWithoutLineEnd) {
  state.stats.frames_processed = 7;
  console.width = 70;
  EXPECT_EQ(Report(),
            "[Clip info]\n\n[Runtime info]\n"
            "The specified frame range is too short for accurate measurements.");
  EXPECT_EQ(console.out,
            "{11}\rThe specified frame range is too short for accurate measurements.    \n");
}

TEST_F(RunSummary, ConsoleBytesOverwriteTheLastPage) {
  console.width = 50;
  state.first_page_pending = false;
  state.line_count = 10;
  options.display_tpf = options.display_efficiency_index = 1;
  const std::string report = Report();
  EXPECT_EQ(console.out,
            "<up 10>"
            "{15}\rFrames processed:               1000 (0 - 999)   \n"
            "{15}\rFPS (min | max | average):      20.00 | 50.00 | 25.00\n"
            "{15}\rTPF (max | min | average):      50.00 | 20.00 | 40.00 ms\n"
            "{15}\rMemory usage (phys | virt):     310 | 420 MB     \n"
            "{15}\rThread count:                   12               \n"
            "{15}\rCPU usage (average):            50%              \n"
            "{15}\rEfficiency index:               0.5000           \n"
            "\n"
            "{15}\rTime (elapsed):                 00:00:40.000     \n"
            "\r                                                 \n"
            "\r                                                 \n"
            "<up 2>");
  EXPECT_EQ(report,
            "[Clip info]\n\n[Runtime info]\n"
            "Frames processed:               1000 (0 - 999)\n"
            "FPS (min | max | average):      20.00 | 50.00 | 25.00\n"
            "TPF (max | min | average):      50.00 | 20.00 | 40.00 ms\n"
            "Memory usage (phys | virt):     310 | 420 MB\n"
            "Thread count:                   12\n"
            "CPU usage (average):            50%\n"
            "Efficiency index:               0.5000\n"
            "Time (elapsed):                 00:00:40.000\n");
}

}  // namespace

}  // namespace bench
