#include "report/log_reader.h"

#include <gtest/gtest.h>

namespace report {
namespace {

const char kGeneral[] =
    "[General info]\n"
    "Log file created with:                 Korbinet 2.1.6 (x64)\n"
    "Script file:                           /clips/run.avs\n"
    "Avisynth version string:               AviSynth+ 3.7.5\n"
    "\n\n[Clip info]\n"
    "Number of frames:                 1600\n"
    "Colorspace:                       YV12\n";
const char kRuntime[] =
    "\n\n[Runtime info]\n"
    "Frames processed:               1600 (0 - 1599)\n"
    "Time (elapsed):                 00:00:04.011\n";
// A script may quote section titles; only a title followed by the section's
// own first line ends it.
const char kScript[] =
    "\n\n[Script]\nBlankClip()\n\n[Performance data]\n# \"a\" & <b>\n\n";
const char kGraphics[] =
    "\n\n[Graphics card info]\nCard name:               Radeon & Co\n"
    "Info collected with:     GPU-Z 2.40.0\n\n";
const char kTable[] =
    "\n[Performance data]\n       Frame    Frames/sec   Time/frame(ms)   CPU(%)   GPU(%)   "
    "Threads   PhysMEM(MB)   VirtMEM(MB)\n"
    "          10       312.275         3.202310        0        4         1             4"
    "             1\n   \n";  // blanks only: no row

// The reader's message; "" when it takes the file.
std::string Parse(const std::string& content, RunLog* log) {
  std::string error;
  return ParseRunLog(InputFile{"run.log", content}, log, &error) ? "" : error;
}

TEST(LogReader, ReadsSectionsScriptErrorAndStageTimes) {
  const std::string run = std::string(kGeneral) + kRuntime + "\n" + kScript + kGraphics + kTable;
  RunLog log;
  ASSERT_EQ(Parse(run + "\n\n[AviSynth error]\nScript error: [x]\nline 2\n", &log), "");
  EXPECT_EQ(LineValue(log.general, "Script file:") + "|" + LineValue(log.clip, "Colorspace:") + "|" +
                LineValue(log.graphics, "Card name:"), "/clips/run.avs|YV12|Radeon & Co");
  EXPECT_EQ(log.runtime, (std::vector<std::string>{"Frames processed:               1600 (0 - 1599)",
                                                   "Time (elapsed):                 00:00:04.011"}));
  EXPECT_EQ(log.script, "BlankClip()\n\n[Performance data]\n# \"a\" & <b>");
  EXPECT_EQ(log.avisynth_error, "Script error: [x]\nline 2");
  EXPECT_EQ(std::make_pair(log.table_rows, log.last_row_frame), std::make_pair(size_t{1}, std::string("10")));

  ASSERT_EQ(Parse(std::string(kGeneral) + "\n" + kScript, &log), "");
  EXPECT_TRUE(log.runtime.empty());
  EXPECT_EQ(log.script, "BlankClip()\n\n[Performance data]\n# \"a\" & <b>");

  // The stage table follows the performance table; its rows are no records and a stage name may look like a
  // section title.
  const std::vector<std::string> stages = {"Stage times:",
                                           "Stage                 Calls  Self ms/frame  Incl ms/frame   Share",
                                           "[x]                       7          1.000          1.000 100.0 %"};
  ASSERT_EQ(Parse(run + "\n[Stage times]\n" + stages[0] + "\n" + stages[1] + "\n" + stages[2] + "\n", &log), "");
  EXPECT_EQ(std::make_pair(log.table_rows, log.last_row_frame), std::make_pair(size_t{1}, std::string("10")));
  EXPECT_EQ(log.stages, stages);
}

TEST(LogReader, RefusesWhatIsNoKorbinetLog) {
  const struct { std::string text; std::string message; } cases[] = {
      {"", "run.log: the log is empty (0 bytes)"},
      {"Frame,Frames/sec\n", "run.log, line 1: not a Korbinet log (it does not start with \"[General info]\")"},
      {kGeneral + std::string("\x7f\x45LF\0", 5), "run.log, line 10: binary data, not a Korbinet log"},
      {kGeneral + std::string(kRuntime), "run.log, line 14: the log ends before its \"[Script]\" section"},
      {kGeneral + std::string("\n[Extra]\n"), "run.log, line 11: a section Korbinet does not write"},
  };
  for (const auto& c : cases) {
    RunLog log;
    EXPECT_EQ(Parse(c.text, &log), c.message);
  }
}

}  // namespace
}  // namespace report
