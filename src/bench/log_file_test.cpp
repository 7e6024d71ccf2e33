#include "bench/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bench/record_files.h"
#include "platform/testing/scratch_dir.h"

namespace {

std::vector<PerformanceSample> ThreeRecords() {
  std::vector<PerformanceSample> samples(5);
  const uint32_t frames[] = {8, 98, 9998};
  for (int i = 0; i < 3; ++i) {
    PerformanceSample& r = samples[i];
    r.frame = frames[i], r.current_frame_rate = 25 + i, r.average_frame_rate = 20;
    r.cpu_usage = 50, r.gpu_load = 60, r.video_engine_load = 7, r.thread_count = 12;
    r.physical_memory = 300, r.virtual_memory = 400;
  }
  return samples;
}

class LogFile : public testing::Test {
 protected:
  void SetUp() override { ScratchDir::Write(script, "\r\n\n  BlankClip()\r\n\r\nTrim(0, 9)\n\n\t\n"); }

  std::string Write(uint32_t records, const std::string& error = "", RecordOptions options = {}) {
    return WriteLogFile(script, "[General info]\nx\n\n[Clip info]\ny", "[Graphics card info]\nG\n",
                        ThreeRecords(), records, error, options);
  }
  std::string Log() const { return ScratchDir::Read(dir.File("clip.log")); }

  ScratchDir dir;
  std::string script = dir.File("clip.AVS");
};

TEST_F(LogFile, WholeLogByteForByteInPlaceOfAnOlderOne) {
  const std::string head = "[General info]\nx\n\n[Clip info]\ny\n"
                           "\n[Script]\nBlankClip()\n\nTrim(0, 9)\n\n";
  const std::string cpu_table =
      "\n[Performance data]\n"
      "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50        12           300           400\n"
      "          99        26.000        38.461538       50        12           300           400\n"
      "        9999        27.000        37.037037       50        12           300           400\n";
  const std::string gpu_table =
      "[Graphics card info]\nG\n\n[Performance data]\n"
      "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   GPU(%)   VPU(%)   Threads   "
      "PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50       60        7        12"
      "           300           400\n";
  const std::string gpu_only_table =
      "[Graphics card info]\nG\n\n[Performance data]\n"
      "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   GPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50       60        12           300           400\n";
  const struct { uint32_t records; const char* error; RecordOptions options; std::string tail; } cases[] = {
      {3, "", {}, cpu_table},
      {1, "", {1, 0}, gpu_only_table},
      {0, "Fault at frame 3", {}, "\n\n[AviSynth error]\nFault at frame 3\n"},  // no table
      {1, "", {1, 1}, gpu_table},
  };
  for (const auto& c : cases) {
    ScratchDir::Write(dir.File("clip.log"), std::string(5000, 'Q'));
    ASSERT_EQ(Write(c.records, c.error, c.options), "");
    EXPECT_EQ(Log(), head + c.tail);
  }
}

TEST_F(LogFile, PathsAndFailures) {
  EXPECT_EQ(LogText("r", "s", "", ThreeRecords(), 99, "", {}),
            LogText("r", "s", "", ThreeRecords(), 5, "", {}))
      << "a record count beyond the array is not read";
  EXPECT_EQ(PathBesideScript("/d/test.avs", ".log"), "/d/test.log");
  EXPECT_EQ(PathBesideScript(".avs", ".log"), ".avs.log");
  ScratchDir::Write(script, "a\r\nlast");
  std::string text;
  ASSERT_TRUE(ReadScriptText(script, &text));
  EXPECT_EQ(text, "a\nlast") << "a script without a final line end is copied whole";

  const std::string missing = dir.File("none.avs");
  EXPECT_EQ(WriteLogFile(missing, "", "", {}, 0, "", {}), "\nCannot open \"" + missing + "\"\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.log")));
}

TEST_F(LogFile, UnwritableTargetLeavesWhatWasThere) {
  // A folder in the log's place cannot be replaced by a file.
  std::filesystem::create_directory(dir.File("clip.log"));
  ScratchDir::Write(dir.File("clip.log/keep"), "old");
  EXPECT_EQ(Write(3), "\nCannot create \"" + dir.File("clip.log") + "\"\n");
  EXPECT_EQ(ScratchDir::Read(dir.File("clip.log/keep")), "old");
}

}  // namespace
