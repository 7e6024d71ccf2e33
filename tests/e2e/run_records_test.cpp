// The log and CSV files a benchmark run leaves beside its script: their
// sections, columns and rows; what a fault in the frame loop leaves; and a
// log that cannot be created.
#include <array>
#include <cstdio>

#include "e2e_common.h"

namespace e2e {
namespace {

const char kLogTableHeader[] =
    "\n[Performance data]\n"
    "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n";
const char kCsvHeader[] =
    "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),Threads,PhysMEM(MB),"
    "VirtMEM(MB)";

std::string Field(const char* form, const std::string& label, long long value) {
  char text[128];
  std::snprintf(text, sizeof text, form, label.c_str(), value);
  return text;
}

// "[Clip info]" of a 64x48 RGB32 BlankClip of `frames` frames at 24 fps with
// the default mono 16-bit audio at 44100 Hz; the standard library has no MT mode.
std::string ClipInfoSection(int frames, const std::string& length) {
  return "\n\n[Clip info]\n" + Field("%s%11lld\n", "Number of frames:          ", frames) +
         "Length (hh:mm:ss.ms):  " + length + "\n" + Field("%s%11lld\n", "Frame width:               ", 64) +
         Field("%s%11lld\n", "Frame height:              ", 48) +
         "Framerate:                      24.000 (24/1)\n" + "Colorspace:                      RGB32\n" +
         Field("%s%19lld\n", "Audio channels:    ", 1) + Field("%s%19lld\n", "Audio bits/sample: ", 16) +
         Field("%s%19lld\n", "Audio sample rate: ", 44100) +
         Field("%s%19lld\n", "Audio samples:     ", static_cast<long long>(frames) * 44100 / 24);
}

// A log table row split at its fixed widths (12, then one space and 13, 16,
// 8, 9, 13, 13): frame, fps, tpf, cpu, threads, phys, virt, spaces trimmed.
std::vector<std::vector<std::string>> LogRows(const std::string& log) {
  static const std::regex form(R"(( {0,11}\d+) ([ \d]{8}\d\.\d{3}) ([ \d]{8}\d\.\d{6}) ( {0,7}\d+) ( {0,8}\d+))"
                               R"( ( {0,12}\d+) ( {0,12}\d+))");
  std::vector<std::vector<std::string>> rows;
  const size_t table = log.find(kLogTableHeader);
  if (table == std::string::npos) return {};
  for (const auto& line : SplitLines(log.substr(table + std::string(kLogTableHeader).size()))) {
    std::smatch m;
    if (line.empty()) break;
    const bool ok = line.size() == 90 && std::regex_match(line, m, form) && m[1].length() == 12 &&
                    m[2].length() == 13 && m[3].length() == 16;
    EXPECT_TRUE(ok) << "row \"" << line << "\"";
    if (!ok) continue;
    std::vector<std::string> row;
    for (size_t f = 1; f < m.size(); ++f) row.push_back(m[f].str().substr(m[f].str().find_first_not_of(' ')));
    rows.push_back(row);
  }
  return rows;
}

// All nine fields of each CSV row, as written.
std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
  static const std::regex form(R"(\d+,\d+\.\d{3},\d+\.\d{3},\d+\.\d{6},\d+\.\d{6},\d+,\d+,\d+,\d+)");
  std::vector<std::vector<std::string>> rows;
  const std::vector<std::string> lines = SplitLines(csv);
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) return rows;
  EXPECT_EQ(lines[0], kCsvHeader);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], form)) << "CSV row \"" << lines[i] << "\"";
    rows.push_back(Split(lines[i], ','));
  }
  return rows;
}

// The log's rows and the CSV's rows describe the same records.
void ExpectSameRecords(const std::vector<std::vector<std::string>>& log,
                       const std::vector<std::vector<std::string>>& csv) {
  ASSERT_EQ(log.size(), csv.size());
  for (size_t i = 0; i < log.size(); ++i) {
    ASSERT_EQ(csv[i].size(), 9u);
    EXPECT_EQ(log[i], (std::vector<std::string>{csv[i][0], csv[i][1], csv[i][3], csv[i][5], csv[i][6], csv[i][7],
                                                csv[i][8]})) << "record " << i;
  }
}

void ExpectFramesStepping(const std::vector<std::vector<std::string>>& rows, unsigned first, unsigned step) {
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], std::to_string(first + step * i)) << "row " << i;
}

TEST(RunRecords, LogAndCsvOfACompletedRun) {
  // 3 ms a frame: interval 10, so 300 frames make 30 records.
  Sandbox sandbox;
  const std::string body = "BlankClip(length=300, width=64, height=48)\n\nSpin(3000)";
  sandbox.WriteScript("clip.avs", "\n \n# known shape\n" + body + "\n\n\t\n");
  // Older files of the same names are replaced, not added to.
  sandbox.WriteFile("clip.log", "OLD LOG\n");
  sandbox.WriteFile("clip.csv", "OLD CSV\n");
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-log", "-csv"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);

  const std::string log = sandbox.ReadFile("clip.log");
  const std::string general =
      GeneralInfoSection(ReportFor("standard", sandbox.Path("libavisynth.so")), sandbox.Path("clip.avs"), "-log -csv");
  ASSERT_EQ(log.substr(0, general.size()), general) << log;
  for (const auto& line : SplitLines(general.substr(general.find('\n') + 1))) {
    if (line.empty()) continue;
    ASSERT_GT(line.size(), 39u) << line;
    EXPECT_TRUE(line[38] == ' ' && line[39] != ' ') << "label not 39 wide: " << line;
  }
  std::string rest = log.substr(general.size());
  const std::string clip = ClipInfoSection(300, "   00:00:12.500");
  ASSERT_EQ(rest.substr(0, clip.size()), clip) << rest;
  rest = rest.substr(clip.size());

  const std::vector<std::string> runtime = {
      "",
      Literal("[Runtime info]"),
      Literal("Frames processed:               300 (0 - 299)"),
      R"(FPS \(min \| max \| average\):      )" + kRate + R"( \| )" + kRate + R"( \| )" + kRate,
      R"(Memory usage \(phys \| virt\):     \d+ \| \d+ MB)",
      R"(Thread count:                   \d+)",
      R"(CPU usage \(average\):            \d+%)",
      R"(Time \(elapsed\):                 )" + kDuration,
      "",
      "",
      Literal("[Script]"),
  };
  const std::vector<std::string> lines = SplitLines(rest.substr(1));
  ASSERT_GT(lines.size(), runtime.size()) << rest;
  for (size_t i = 0; i < runtime.size(); ++i) EXPECT_TRUE(Matches(lines[i], runtime[i])) << "line " << i << ": " << lines[i];
  // Outer blank lines are trimmed away, the inner one stays; the table follows.
  EXPECT_NE(rest.find("\n[Script]\n# known shape\n" + body + "\n\n" + kLogTableHeader), std::string::npos) << rest;

  const auto rows = LogRows(log);
  EXPECT_EQ(rows.size(), 30u);
  ExpectFramesStepping(rows, 10, 10);
  // Time per frame is the rate's reciprocal, not another column.
  for (const auto& row : rows) EXPECT_NEAR(std::stod(row[2]) * std::stod(row[1]), 1000.0, 1.0) << row[1];
  EXPECT_EQ(log.substr(log.size() - 1), "\n");
  EXPECT_EQ(log.find("[AviSynth error]"), std::string::npos);

  const std::string csv = sandbox.ReadFile("clip.csv");
  EXPECT_EQ(csv.find("OLD"), std::string::npos);
  const auto csv_rows = CsvRows(csv);
  ExpectSameRecords(rows, csv_rows);
  for (const auto& row : csv_rows) EXPECT_NEAR(std::stod(row[4]) * std::stod(row[2]), 1000.0, 1.0) << "averages";
}

TEST(RunRecords, FaultInTheFrameLoopLeavesTheRecordsSoFar) {
  // 5 ms a frame: interval 10, and 5 s of analysis stop near frame 1000, so
  // frame 1500 first faults in the loop, which starts at 1400.
  const std::vector<std::array<std::string, 3>> cases = {  // kind, console, the log's error section
      {"error", "Fault at frame 1500\n", "\n\n[AviSynth error]\nFault at frame 1500\n"},
      {"divide", "\nException 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO\n", ""},
  };
  for (const auto& [kind, console, avisynth_error] : cases) {
    SCOPED_TRACE(kind);
    Sandbox sandbox;  // CreateLog=0: the fault alone asks for the log
    sandbox.WriteScript("clip.avs", SpinClip(2000, 5000) + "Fault(1500, \"" + kind + "\")\n");
    ProcessResult r = RunPiped(sandbox, {"clip.avs", "-range=1400,1999", "-csv"}, std::nullopt, 60s);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.err.find(console), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;

    ASSERT_TRUE(sandbox.Exists("clip.log")) << Describe(r);
    const std::string log = sandbox.ReadFile("clip.log");
    EXPECT_EQ(log.find("[Runtime info]"), std::string::npos) << log;
    const auto rows = LogRows(log);
    EXPECT_EQ(rows.size(), 10u) << log;
    ExpectFramesStepping(rows, 1410, 10);
    if (avisynth_error.empty()) {
      EXPECT_EQ(log.find("[AviSynth error]"), std::string::npos) << log;
    } else {
      ASSERT_GE(log.size(), avisynth_error.size());
      EXPECT_EQ(log.substr(log.size() - avisynth_error.size()), avisynth_error) << log;
    }
    ASSERT_TRUE(sandbox.Exists("clip.csv"));
    ExpectSameRecords(rows, CsvRows(sandbox.ReadFile("clip.csv")));
  }
}

TEST(RunRecords, UncreatableLogEndsTheRunWithoutACsvFile) {
  Sandbox sandbox;
  sandbox.WriteScript("clip.avs", SpinClip(300, 3000));
  std::filesystem::create_directory(sandbox.Path("clip.log"));
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-log", "-csv"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  const std::string message = "\nCannot create \"" + sandbox.Path("clip.log") + "\"\n";
  ASSERT_GE(r.err.size(), message.size()) << Describe(r);
  EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message) << r.err;
  EXPECT_NE(r.err.find("Frames processed:               300 (0 - 299)"), std::string::npos) << r.err;
  EXPECT_FALSE(sandbox.Exists("clip.csv"));
  EXPECT_TRUE(std::filesystem::is_directory(sandbox.Path("clip.log")));
}

}  // namespace
}  // namespace e2e
