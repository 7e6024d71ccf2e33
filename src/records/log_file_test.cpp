#include "records/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records/record_files.h"
#include "platform/testing/scratch_dir.h"

namespace records {

namespace {

// Frame, fps, average fps, CPU, GPU, VPU, physical and virtual memory, threads; three of five stored.
std::vector<bench::PerformanceSample> ThreeRecords() {
  return {{8, 25, 20, 50, 60, 7, 300, 400, 12}, {98, 26, 20, 50, 60, 7, 300, 400, 12},
          {9998, 27, 20, 50, 60, 7, 300, 400, 12}, {}, {}};
}

class LogFile : public testing::Test {
 protected:
  void SetUp() override { ScratchDir::Write(script, "\r\n\n  BlankClip()\r\n\r\nTrim(0, 9)\n\n\t\n"); }
  ScratchDir dir;
  std::string script = dir.File("clip.AVS");
};

TEST_F(LogFile, WholeLogByteForByteInPlaceOfAnOlderOne) {
  const std::string head = "[General info]\nx\n\n[Clip info]\ny\n"
                           "\n[Script]\nBlankClip()\n\nTrim(0, 9)\n\n";
  const std::string columns = "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   ";
  const std::string gpu = "[Graphics card info]\nG\n\n[Performance data]\n" + columns + "GPU(%)   ";
  const std::string cpu_table =
      "\n[Performance data]\n" + columns + "Threads   PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50        12           300           400\n"
      "          99        26.000        38.461538       50        12           300           400\n"
      "        9999        27.000        37.037037       50        12           300           400\n";
  const std::string gpu_table = gpu + "VPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50       60        7        12           300           400\n";
  const std::string gpu_only_table = gpu + "Threads   PhysMEM(MB)   VirtMEM(MB)\n"
      "           9        25.000        40.000000       50       60        12           300           400\n";
  const struct { uint32_t records; const char* error; RecordOptions options; std::string tail;
                 std::vector<std::string> stages = {}; } cases[] = {
      {3, "", {}, cpu_table},
      {1, "", {1, 0}, gpu_only_table},
      {0, "Fault at frame 3", {}, "\n\n[AviSynth error]\nFault at frame 3\n"},  // no table
      {1, "", {1, 1}, gpu_table},
      {3, "", {}, cpu_table + "\n\n[Stage times]\nStage times:\nrow %s\n", {"Stage times:", "row %s"}},
  };
  for (const auto& c : cases) {
    ScratchDir::Write(dir.File("clip.log"), std::string(5000, 'Q'));
    std::string error;
    ASSERT_TRUE(WriteLogFile(script, "[General info]\nx\n\n[Clip info]\ny", "[Graphics card info]\nG\n",
                             ThreeRecords(), c.records, c.error, c.options, &error, c.stages))
        << error;
    EXPECT_EQ(ScratchDir::Read(dir.File("clip.log")), head + c.tail);
  }
}

TEST_F(LogFile, PathsAndFailures) {
  // A record count beyond the array is not read.
  EXPECT_EQ(LogText("r", "s", "", ThreeRecords(), 99, "", {}), LogText("r", "s", "", ThreeRecords(), 5, "", {}));
  EXPECT_EQ(PathBesideScript(".avs", ".log"), ".avs.log");
  ScratchDir::Write(script, "a\r\nlast");
  std::string text;
  ASSERT_TRUE(ReadScriptText(script, &text));
  EXPECT_EQ(text, "a\nlast") << "a script without a final line end is copied whole";

  const std::string missing = dir.File("none.avs");
  EXPECT_FALSE(WriteLogFile(missing, "", "", {}, 0, "", {}, &text));
  EXPECT_EQ(text, "\nCannot open \"" + missing + "\"\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.log")));
}

}  // namespace

}  // namespace records
