// The log and CSV files of a run: sections, rows, what a fault leaves, a log that cannot be created.
#include <array>

#include "e2e_common.h"

namespace e2e {
namespace {

const char kLogTableHeader[] =
    "\n[Performance data]\n"
    "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n";

// Returns the CSV's records. The log's table (its column form is the unit tests') holds the same figures
// and is followed by `after` alone.
std::vector<std::vector<std::string>> ExpectSameRecords(const std::string& log, const std::string& csv,
                                                        const std::string& after = "") {
  static const std::regex form(R"(\d+,\d+\.\d{3},\d+\.\d{3},\d+\.\d{6},\d+\.\d{6},\d+,\d+,\d+,\d+)");
  const std::vector<std::string> lines = Split(csv);
  std::vector<std::vector<std::string>> rows;
  const size_t at = log.find(kLogTableHeader), start = at + sizeof kLogTableHeader - 1;
  if (at == std::string::npos || !log.ends_with(after) || start + after.size() > log.size())
    return ADD_FAILURE() << log << "\nexpected a table, then:\n" << after, rows;
  const std::vector<std::string> table = Split(log.substr(start, log.size() - after.size() - start));
  EXPECT_EQ(table.size() + 1, lines.size()) << log;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (!std::regex_match(lines[i], form)) return ADD_FAILURE() << "CSV row \"" << lines[i] << "\"", rows;
    const auto& csv_row = rows.emplace_back(Split(lines[i], ','));
    std::string expected, actual;
    for (int field : {0, 1, 3, 5, 6, 7, 8}) expected += csv_row[field] + " ";
    std::istringstream words(i <= table.size() ? table[i - 1] : "");
    for (std::string word; words >> word;) actual += word + " ";
    EXPECT_EQ(actual, expected) << "log row " << i;
  }
  return rows;
}

// One record per interval from `first` up to `end` (exclusive). The interval comes
// from the analysis pass, so a loaded machine may give a smaller one than planned.
void ExpectRecordsOf(const std::vector<std::vector<std::string>>& rows, unsigned first, unsigned end) {
  ASSERT_FALSE(rows.empty());
  const unsigned interval = std::stoul(rows[0][0]) - first;
  ASSERT_TRUE(interval > 0 && (end - first) % interval == 0) << "interval " << interval;
  EXPECT_EQ(rows.size(), (end - first) / interval);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], std::to_string(first + interval * (i + 1))) << i;
}

TEST(RunRecords, LogAndCsvOfACompletedRun) {
  // 3 ms a frame: interval 10 when idle, so 300 frames make 30 records.
  Sandbox sandbox;
  const std::string body = "BlankClip(length=300, width=64, height=48)\n\nSpin(3000)";
  sandbox.WriteFile("clip.avs", "\n \n# known shape\n" + body + "\n\n\t\n");
  // Older files of the same names are replaced, not added to.
  sandbox.WriteFile("clip.log", "OLD LOG\n");
  sandbox.WriteFile("clip.csv", "OLD CSV\n");
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-log", "-csv"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);

  // The general and clip sections are those info_log.case pins byte for byte.
  const std::string log = sandbox.ReadFile("clip.log");
  EXPECT_TRUE(log.starts_with("[General info]\nLog file created with:")) << log;
  EXPECT_NE(log.find("\nCommand line switches:                 -log -csv\n"), std::string::npos) << log;
  // The runtime section's lines are the summary's unit tests'; here the sections' order and the script
  // without its outer blank lines.
  const size_t clip = log.find("\n\n\n[Clip info]\nNumber of frames:                  300\n"),
               runtime = log.find("\n\n[Runtime info]\nFrames processed:               300 (0 - 299)\n"),
               script = log.find("\n\n\n[Script]\n# known shape\n" + body + "\n\n" + kLogTableHeader);
  EXPECT_TRUE(clip < runtime && runtime < script && script != std::string::npos) << log;
  ExpectRecordsOf(ExpectSameRecords(log, sandbox.ReadFile("clip.csv")), 0, 300);
}

TEST(RunRecords, FaultInTheFrameLoopLeavesTheRecordsSoFar) {
  // 5 ms a frame: interval 10 when idle, and 5 s of analysis stop near frame 1000, so
  // frame 1500 first faults in the loop, which starts at 1400.
  for (const auto& [kind, console, avisynth_error] : {  // kind, console, the log's error section
           std::array<std::string, 3>{"error", "Fault at frame 1500\n", "\n\n[AviSynth error]\nFault at frame 1500\n"},
           {"divide", "\nException 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO\n", ""}}) {
    SCOPED_TRACE(kind);
    Sandbox sandbox;  // CreateLog=0: the fault alone asks for the log
    sandbox.WriteFile("clip.avs", SpinClip(2000, 5000) + "Fault(1500, \"" + kind + "\")\n");
    ProcessResult r = RunPiped(sandbox, {"clip.avs", "-range=1400,1999", "-csv"}, std::nullopt, 60s);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_NE(r.err.find(console), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;
    const std::string log = sandbox.ReadFile("clip.log");
    EXPECT_EQ(log.find("[Runtime info]"), std::string::npos) << log;
    ExpectRecordsOf(ExpectSameRecords(log, sandbox.ReadFile("clip.csv"), avisynth_error), 1400, 1500);
  }
}

TEST(RunRecords, UncreatableLogEndsTheRunWithoutACsvFile) {
  Sandbox sandbox;
  sandbox.WriteFile("clip.avs", SpinClip(300, 3000));
  fs::create_directory(sandbox.Path("clip.log"));
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-log", "-csv"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_TRUE(r.err.ends_with("\nCannot create \"" + sandbox.Path("clip.log") + "\"\n")) << r.err;
  EXPECT_NE(r.err.find("Frames processed:               300 (0 - 299)"), std::string::npos) << r.err;
  EXPECT_FALSE(sandbox.Exists("clip.csv"));
}

}  // namespace
}  // namespace e2e
