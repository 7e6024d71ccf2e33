#include "records/csv_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/scratch_dir.h"

namespace records {

namespace {

// Frame, fps, average fps, CPU, GPU, VPU, physical and virtual memory, threads; one of two stored.
std::vector<bench::PerformanceSample> OneRecord() { return {{99, 25, 20, 50, 61, 9, 300, 400, 12}, {}}; }

TEST(CsvText, ColumnsFollowGpuMonitoringAndTheVideoEngine) {
  const std::string head = "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),";
  const std::string row = "100,25.000,20.000,40.000000,50.000000,50,";
  const struct { RecordOptions options; std::string text; } cases[] = {
      {{0, 1}, head + "Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "12,300,400\n"},
      {{1, 0}, head + "GPU(%),Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "61,12,300,400\n"},
      {{1, 1}, head + "GPU(%),VPU(%),Threads,PhysMEM(MB),VirtMEM(MB)\n" + row + "61,9,12,300,400\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvText(OneRecord(), 1, c.options), c.text);
  EXPECT_EQ(CsvText(OneRecord(), 0, {}), "");
}

// Replacing an older file with records is the end-to-end runs' check.
TEST(CsvFile, ReplacesTheOldFileEvenWithoutRecordsAndReportsAMissingFolder) {
  ScratchDir dir;
  const std::string csv = dir.File("run.csv");
  ScratchDir::Write(csv, std::string(1000, 'z'));
  std::string error;
  EXPECT_TRUE(WriteCsvFile(dir.File("run.avs"), OneRecord(), 0, {}, &error));
  EXPECT_TRUE(std::filesystem::exists(csv));
  EXPECT_EQ(ScratchDir::Read(csv), "");
  EXPECT_FALSE(WriteCsvFile(dir.File("gone/run.avs"), OneRecord(), 1, {}, &error));
  EXPECT_EQ(error, "\nCannot create \"" + dir.File("gone/run.csv") + "\"\n");
}

}  // namespace

}  // namespace records
