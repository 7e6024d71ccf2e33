#include "bench/csv_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/scratch_dir.h"

namespace {

std::vector<PerformanceSample> OneRecord() {
  PerformanceSample r;
  r.frame = 99, r.current_frame_rate = 25, r.average_frame_rate = 20, r.cpu_usage = 50;
  r.gpu_load = 61, r.video_engine_load = 9, r.thread_count = 12;
  r.physical_memory = 300, r.virtual_memory = 400;
  return {r, PerformanceSample{}};
}

TEST(CsvText, ColumnsFollowGpuMonitoringAndTheVideoEngine) {
  const std::string head = "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),"
                           "Time/frame(average)(ms),CPU(%),";
  const std::string row = "100,25.000,20.000,40.000000,50.000000,50,";
  const struct { RecordOptions options; std::string text; } cases[] = {
      {{0, 1}, head + "Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "12,300,400\n"},
      {{1, 0}, head + "GPU(%),Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "61,12,300,400\n"},
      {{1, 1}, head + "GPU(%),VPU(%),Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "61,9,12,300,400\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvText(OneRecord(), 1, c.options), c.text);
  EXPECT_EQ(CsvText(OneRecord(), 0, {}), "");
}

TEST(CsvFile, ReplacesTheOldFileEvenWithoutRecordsAndReportsAMissingFolder) {
  ScratchDir dir;
  const std::string csv = dir.File("run.csv");
  ScratchDir::Write(csv, std::string(1000, 'z'));
  EXPECT_EQ(WriteCsvFile(dir.File("run.avs"), OneRecord(), 1, {1, 0}), "");
  const std::string text = ScratchDir::Read(csv);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "100,25.000,20.000,40.000000,50.000000,50,61,12,300,400\n");
  EXPECT_EQ(WriteCsvFile(dir.File("run.avs"), OneRecord(), 0, {}), "");
  EXPECT_TRUE(std::filesystem::exists(csv));
  EXPECT_EQ(ScratchDir::Read(csv), "");
  EXPECT_EQ(WriteCsvFile(dir.File("gone/run.avs"), OneRecord(), 1, {}),
            "\nCannot create \"" + dir.File("gone/run.csv") + "\"\n");
}

}  // namespace
