// The log and CSV files of a run: sections, rows, what a fault leaves, a log that cannot be created.
#include <array>

#include "e2e_common.h"

namespace e2e {
namespace {

const char kLogTableHeader[] =
    "\n[Performance data]\n"
    "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n";
const char kCsvHeader[] =
    "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),Threads,PhysMEM(MB),"
    "VirtMEM(MB)";

// A log table row split at its fixed widths (12, then one space and 13, 16,
// 8, 9, 13, 13): frame, fps, tpf, cpu, threads, phys, virt, spaces trimmed.
std::vector<std::vector<std::string>> LogRows(const std::string& log) {
  static const std::regex form(R"(( {0,11}\d+) ([ \d]{8}\d\.\d{3}) ([ \d]{8}\d\.\d{6}) ( {0,7}\d+) ( {0,8}\d+))"
                               R"( ( {0,12}\d+) ( {0,12}\d+))");
  std::vector<std::vector<std::string>> rows;
  const size_t table = log.find(kLogTableHeader);
  if (table == std::string::npos) return {};
  for (const auto& line : Split(log.substr(table + std::string(kLogTableHeader).size()))) {
    if (line.empty()) break;
    std::smatch m;
    const bool ok = line.size() == 90 && std::regex_match(line, m, form) && m[1].length() == 12 && m[2].length() == 13 && m[3].length() == 16;
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
  const std::vector<std::string> lines = Split(csv);
  EXPECT_EQ(lines.empty() ? "" : lines[0], kCsvHeader);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], form)) << "CSV row \"" << lines[i] << "\"";
    rows.push_back(Split(lines[i], ','));
  }
  return rows;
}

// The log's rows and the CSV's rows describe the same records.
void ExpectSameRecords(const std::vector<std::vector<std::string>>& log, const std::vector<std::vector<std::string>>& csv) {
  ASSERT_EQ(log.size(), csv.size());
  for (size_t i = 0; i < log.size(); ++i) {
    const auto& c = csv[i];
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(log[i], (std::vector<std::string>{c[0], c[1], c[3], c[5], c[6], c[7], c[8]})) << "record " << i;
  }
}

// The runtime section's pattern; `processed` is a pattern too.
std::string RuntimeSection(const std::string& processed) {
  return "\n\n\\[Runtime info\\]\nFrames processed:               " + processed + "\n" +
         R"(FPS \(min \| max \| average\):      )" + kRate + R"( \| )" + kRate + R"( \| )" + kRate +
         R"(\nMemory usage \(phys \| virt\):     \d+ \| \d+ MB\nThread count:                   \d+\n)"
         R"(CPU usage \(average\):            \d+%\nTime \(elapsed\):                 )" + kDuration + "\n\n\n";
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
  ASSERT_TRUE(log.starts_with("[General info]\nLog file created with:")) << log;
  EXPECT_NE(log.find("\nCommand line switches:                 -log -csv\n"), std::string::npos) << log;
  const size_t runtime = log.find("\n\n[Runtime info]\n");
  ASSERT_NE(runtime, std::string::npos) << log;
  EXPECT_LT(log.find("\n\n\n[Clip info]\nNumber of frames:                  300\n"), runtime) << log;
  const std::string rest = log.substr(runtime);

  // The runtime section, then the script with its outer blank lines trimmed, then the table.
  const std::string tail = Literal("[Script]\n# known shape\n" + body + "\n\n" + kLogTableHeader);
  EXPECT_TRUE(std::regex_search(rest, std::regex("^" + RuntimeSection("300 \\(0 - 299\\)") + tail))) << rest;

  const auto rows = LogRows(log);
  ExpectRecordsOf(rows, 0, 300);
  EXPECT_EQ(log.back(), '\n');
  EXPECT_EQ(log.find("[AviSynth error]"), std::string::npos);
  ExpectSameRecords(rows, CsvRows(sandbox.ReadFile("clip.csv")));
}

// The real AviSynth+ from ../shared, as CI lays it out: a few thousand frames with both records.
TEST(RealAviSynth, BenchmarkWritesTheLogAndCsv) {
  if (!fs::exists(KORBINET_REAL_AVISYNTH)) GTEST_SKIP() << "no real AviSynth+ at " << KORBINET_REAL_AVISYNTH;
  Sandbox sandbox({.variant = KORBINET_REAL_AVISYNTH, .unprivileged = true});
  const std::string script = "ColorBars(width=1280, height=720, pixel_type=\"YV12\").Trim(0,5999).Invert().Blur(1.0)";
  sandbox.WriteFile("bars.avs", script + "\n");
  ProcessResult r = RunPiped(sandbox, {"bars.avs", "-log", "-csv"}, std::nullopt, 120s);
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  EXPECT_NE(r.err.find("\rFrames processed:               6000 (0 - 5999)\n"), std::string::npos) << Describe(r);
  const std::string log = sandbox.ReadFile("bars.log");
  // The general section as avsplus_avsinfo.case shows it; pinned here once for the log's form.
  const std::string start =
      "[General info]\nLog file created with:                 Korbinet 2.1.6 (x64)\nScript file:                           " +
      sandbox.Path("bars.avs") + "\nCommand line switches:                 -log -csv\n"
      "Avisynth version string:               AviSynth+ 3.7.5 (r4661, master, x86_64)\nAvisynth file version:                 3.7.5.0\n"
      "Avisynth Interface Version:            7\nAvisynth MT support:                   Yes\nAvisynth.dll linker/compiler version:  12.2\n"
      "Avisynth.dll location:                 " + sandbox.Path("libavisynth.so.3.7.5") + "\n"
      "Avisynth.dll time stamp:               2020-01-02, 03:04:05\n\n\n[Clip info]\nNumber of frames:                 6000\n"
      "Length (hh:mm:ss.ms):     00:03:20.200\nFrame width:                      1280\nFrame height:                      720\n"
      "Framerate:                      29.970 (30000/1001)\nColorspace:                       YV12\nAudio channels:                      2\n"
      "Audio bits/sample:                  32\nAudio sample rate:               48000\nAudio samples:                 9609600\n";
  ASSERT_EQ(log.substr(0, start.size()), start) << log;
  const std::string tail = Literal("[Script]\n" + script + "\n\n" + kLogTableHeader);
  EXPECT_TRUE(std::regex_search(log.substr(start.size()), std::regex("^" + RuntimeSection("6000 \\(0 - 5999\\)") + tail))) << log;
  // The interval follows the machine's speed: the rows only have to agree with each other.
  const auto rows = LogRows(log);
  ASSERT_FALSE(rows.empty());
  EXPECT_LE(std::stoul(rows.back()[0]), 6000u);
  ExpectSameRecords(rows, CsvRows(sandbox.ReadFile("bars.csv")));
}

TEST(RunRecords, FaultInTheFrameLoopLeavesTheRecordsSoFar) {
  // 5 ms a frame: interval 10 when idle, and 5 s of analysis stop near frame 1000, so
  // frame 1500 first faults in the loop, which starts at 1400.
  const std::vector<std::array<std::string, 3>> cases = {  // kind, console, the log's error section
      {"error", "Fault at frame 1500\n", "\n\n[AviSynth error]\nFault at frame 1500\n"},
      {"divide", "\nException 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO\n", ""},
  };
  for (const auto& [kind, console, avisynth_error] : cases) {
    SCOPED_TRACE(kind);
    Sandbox sandbox;  // CreateLog=0: the fault alone asks for the log
    sandbox.WriteFile("clip.avs", SpinClip(2000, 5000) + "Fault(1500, \"" + kind + "\")\n");
    ProcessResult r = RunPiped(sandbox, {"clip.avs", "-range=1400,1999", "-csv"}, std::nullopt, 60s);
    EXPECT_TRUE(r.exit_status == 255 && r.signal == 0) << Describe(r);
    EXPECT_NE(r.err.find(console), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;

    const std::string log = sandbox.ReadFile("clip.log");
    EXPECT_EQ(log.find("[Runtime info]"), std::string::npos) << log;
    const auto rows = LogRows(log);
    ExpectRecordsOf(rows, 1400, 1500);
    EXPECT_EQ(log.find("[AviSynth error]") == std::string::npos, avisynth_error.empty()) << log;
    EXPECT_TRUE(log.ends_with(avisynth_error)) << log;
    ExpectSameRecords(rows, CsvRows(sandbox.ReadFile("clip.csv")));
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
  EXPECT_TRUE(fs::is_directory(sandbox.Path("clip.log")));
}

}  // namespace
}  // namespace e2e
