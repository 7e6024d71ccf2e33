// Stage markers in a run: the table after the summary and at the end of the log. A script without markers
// prints none: time_limit.case pins the console's end, RunRecords the log's.
#include "e2e_common.h"

namespace e2e {
namespace {

struct StageRow {
  std::string name_and_calls;  // "name calls"
  double self_ms = 0, incl_ms = 0;
};

// Lines up to the first empty one, line starts and padding dropped.
std::vector<std::string> LinesFrom(const std::string& text, size_t at) {
  std::vector<std::string> lines;
  if (at == std::string::npos) return lines;
  for (std::string line : Split(text.substr(at))) {
    if (!line.empty() && line[0] == '\r') line.erase(0, 1);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.empty()) break;
    lines.push_back(line);
  }
  return lines;
}

// The table from its caption on.
std::vector<std::string> ConsoleTable(const std::string& err) { return LinesFrom(err, err.find("\rStage times")); }
std::vector<std::string> LogTable(const std::string& log) {
  const size_t at = log.find("\n\n[Stage times]\n");
  return LinesFrom(log, at == std::string::npos ? at : at + 16);
}

// Rows read from the right, as the manual tells readers to: share, incl, self, calls, then the name.
std::vector<StageRow> StageRows(const std::vector<std::string>& table) {
  static const std::regex row(R"((.*\S) +(\d+) +(\d+\.\d{3}) +(\d+\.\d{3}) +\d+\.\d %)");
  std::vector<StageRow> rows;
  EXPECT_GE(table.size(), 2u);
  if (table.size() < 2) return rows;
  EXPECT_EQ(table[1], "Stage                 Calls  Self ms/frame  Incl ms/frame   Share");
  for (size_t i = 2; i < table.size(); ++i) {
    std::smatch m;
    if (!std::regex_match(table[i], m, row)) return ADD_FAILURE() << "row \"" << table[i] << "\"", rows;
    rows.push_back({m[1].str() + " " + m[2].str(), std::stod(m[3]), std::stod(m[4])});
  }
  return rows;
}

// The outer stage's name is printed as data, never as a format.
TEST(StageTimes, NestedStagesShowTheirOwnCostInTheSummaryAndTheLog) {
  Sandbox sandbox;
  const std::string fast = "'%s' 100% </script>";
  sandbox.WriteFile("s.avs", SpinClip(300, 0) + "Spin(3000).KorbinetStage(\"slow\").Spin(1000).KorbinetStage(\"" + fast +
                                 "\")\n");
  ProcessResult r = RunPiped(sandbox, {"s.avs", "-log"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  const std::string log = sandbox.ReadFile("s.log");
  const std::vector<std::string> table = LogTable(log);
  ASSERT_FALSE(table.empty()) << log;
  EXPECT_EQ(table[0], "Stage times:");
  std::string section = "\n\n[Stage times]\n";
  for (const std::string& line : table) section += line + "\n";
  EXPECT_TRUE(log.ends_with(section)) << log;
  // The console's table is the log's, after the summary and an empty line.
  EXPECT_EQ(ConsoleTable(r.err), table) << Describe(r);
  EXPECT_NE(r.err.find("\n\r\n\rStage times:\n"), std::string::npos) << Describe(r);
  const std::vector<StageRow> rows = StageRows(table);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name_and_calls + ", " + rows[1].name_and_calls, "slow 300, " + fast + " 300");
  // One thread: slow holds no marker, so its self time is all of it; fast
  // holds slow, so its own is what remains of its inclusive time. Identities,
  // up to the table's rounding, so a loaded machine cannot upset them.
  EXPECT_NEAR(rows[0].self_ms, rows[0].incl_ms, 0.0015);
  EXPECT_NEAR(rows[1].self_ms, rows[1].incl_ms - rows[0].incl_ms, 0.0025);
  EXPECT_GT(rows[1].self_ms, 0.5);  // Spin(1000): at least 1 ms each
}

TEST(StageTimes, RealAviSynthPlusTimesAResizeAndABlur) {
  if (!fs::exists(KORBINET_REAL_AVISYNTH)) GTEST_SKIP() << "no real AviSynth+ at " << KORBINET_REAL_AVISYNTH;
  Sandbox sandbox({.variant = KORBINET_REAL_AVISYNTH, .unprivileged = true});
  sandbox.WriteFile("rb.avs",
                    "ColorBars(width=1280, height=720, pixel_type=\"YV12\").Trim(0, 999)\n"
                    "Spline36Resize(640, 360).KorbinetStage(\"resize\")\n"
                    "Blur(1.0).KorbinetStage(\"blur\")\n");
  sandbox.HandOver();
  ProcessResult r = RunPiped(sandbox, {"rb.avs"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  const std::vector<StageRow> rows = StageRows(ConsoleTable(r.err));
  ASSERT_EQ(rows.size(), 2u) << Describe(r);
  EXPECT_EQ(rows[0].name_and_calls + ", " + rows[1].name_and_calls, "resize 1000, blur 1000");
  EXPECT_EQ(r.err.find("arning"), std::string::npos) << Describe(r);
  for (const std::string& line : ConsoleTable(r.err)) std::cout << line << "\n";  // for the closing note
}

}  // namespace
}  // namespace e2e
