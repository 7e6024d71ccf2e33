// Suites are named Gpu*: the section and process names are machine-wide, so they never run in parallel.
#include "e2e_common.h"
#include "harness/gpu_publisher_runner.h"

namespace e2e {
namespace {

// 25 ms a frame gives interval 1; the 80-frame run lets several live pages come and go.
const std::string kScript = "BlankClip(length=32, width=64, height=48)\nNap(25)";
const std::string kLongScript = "BlankClip(length=80, width=64, height=48)\nNap(25)";
const std::string kCard = "NVIDIA GeForce RTX 2060";

std::string LogHeader(const std::string& gpu) {
  return "\n[Performance data]\n       Frame    Frames/sec   Time/frame(ms)   CPU(%)   " + gpu +
         "Threads   PhysMEM(MB)   VirtMEM(MB)\n";
}
std::string CsvHeader(const std::string& gpu) {
  return "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%)," + gpu +
         "Threads,PhysMEM(MB),VirtMEM(MB)\n";
}

// Padded values must be trimmed; the CUDA records come last.
std::vector<std::string> PublisherArgs(const std::string& cuda, const std::string& title = "GPU-Z 2.40.0") {
  std::vector<std::string> args = {"--title", title};
  for (const std::string& r : {"CardName=" + kCard, std::string("GPUName=TU106"), std::string("MemSize=  6144 MB \t"),
                              std::string("OpenCL_Version=OpenCL 3.0 CUDA"), std::string("DriverVersion= 31.0.15.3623"),
                              "CUDA=" + cuda, std::string("CUDA_Capability=7.5")})
    args.insert(args.end(), {"--record", r});
  for (const char* s : {"GPU Load=42.5", "Video Engine Load=12.4", "Memory Used=1024", "Memory Usage (Dedicated)=900",
                        "Memory Usage (Dynamic)=100"})
    args.insert(args.end(), {"--sensor", s});
  return args;
}

// The log from the script to the table header.
std::string AfterScript(const std::string& script, const std::string& header) {
  return "\n[Script]\n" + script + "\n\n\n\n[Graphics card info]\nCard name:               " + kCard +
         "\nGPU name:                TU106\nMemory size:             6144 MB\nOpenCL version:          OpenCL 3.0 CUDA"
         "\nDriver version:          31.0.15.3623\nInfo collected with:     GPU-Z .40.0\n\n" + header;
}

// Polls, since a page redrawn in place can be caught half drawn.
bool WaitForBlock(TerminalSession& term, const std::vector<std::string>& lines, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const std::string label = lines.front().substr(0, lines.front().find(':') + 1);
  while (true) {
    term.Pump(20ms);
    const int row = FindRow(term, label);
    bool all = row > 0 && term.Row(row - 1).empty();
    for (size_t i = 0; i < lines.size() && all; ++i) all = term.Row(row + static_cast<int>(i)) == lines[i];
    if (all) return true;
    if (std::chrono::steady_clock::now() >= deadline || !term.Running()) return false;
  }
}

TEST(GpuMonitorRun, PageSummaryLogAndCsvShowTheSensors) {
  for (const bool video_engine : {true, false}) {
    SCOPED_TRACE(video_engine ? "CUDA" : "no CUDA");
    GpuPublisher publisher(PublisherArgs(video_engine ? "1" : "0"));
    ASSERT_TRUE(publisher.Ready());
    Sandbox sandbox;
    sandbox.WriteScript("gpu.avs", kLongScript + "\n");
    TerminalSession term(sandbox, {"gpu.avs", "-gpu", "-log", "-csv"}, {.rows = 40, .cols = 100});
    const auto block = [&](const std::string& gpu, const std::string& vpu) {
      std::vector<std::string> lines = {gpu};
      if (video_engine) lines.push_back(vpu);
      lines.insert(lines.end(), {"GPU memory usage:               1024 MB", "GPU memory usage (Dedicated):   900 MB",
                                 "GPU memory usage (Dynamic):     100 MB", ""});
      return lines;
    };
    const auto page = block("GPU usage (current | average):  43% | 43%", "Video engine load (cur | avg):  12% | 12%");
    EXPECT_TRUE(WaitForBlock(term, page, 30s)) << term.ScreenText();
    EXPECT_EQ(FindRow(term, "Time (elapsed | estimated):"), FindRow(term, page[0]) + int(page.size()));
    const ExitResult exit = term.WaitForExit(60s);
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
    const auto summary = block("GPU usage (average):            43%", "Video engine load (average):    12%");
    EXPECT_TRUE(WaitForBlock(term, summary, 1s)) << term.ScreenText();
    EXPECT_EQ(FindRow(term, "Time (elapsed):"), FindRow(term, summary[0]) + int(summary.size()));

    const std::string log = sandbox.ReadFile("gpu.log"), csv = sandbox.ReadFile("gpu.csv");
    const std::string log_header = LogHeader(video_engine ? "GPU(%)   VPU(%)   " : "GPU(%)   ");
    const std::string csv_header = CsvHeader(video_engine ? "GPU(%),VPU(%)," : "GPU(%),");
    EXPECT_NE(log.find(AfterScript(kLongScript, log_header)), std::string::npos) << log;
    // The log's summary has the same lines without the blank ones around them.
    std::string runtime = "\n";
    for (size_t i = 0; i + 1 < summary.size(); ++i) runtime += summary[i] + "\n";
    EXPECT_NE(log.find(runtime + "Time (elapsed):"), std::string::npos) << log;
    // Every log and CSV row: its width and the rounded GPU (and VPU) value.
    const std::string vpu = video_engine ? "12" : "";
    const std::regex log_row(R"( *\d+( +[\d.]+){3} +43 +)" + (vpu.empty() ? "" : vpu + " +") + R"(\d+ +\d+ +\d+)");
    const std::regex csv_row(R"(\d+(,[\d.]+){4},\d+,43,)" + (vpu.empty() ? "" : vpu + ",") + R"(\d+,\d+,\d+)");
    ASSERT_NE(log.find(log_header), std::string::npos);
    const std::vector<std::string> rows = Split(log.substr(log.find(log_header) + log_header.size()));
    ASSERT_FALSE(rows.empty());
    for (const std::string& row : rows) EXPECT_TRUE(std::regex_match(row, log_row)) << row;
    ASSERT_EQ(csv.substr(0, csv_header.size()), csv_header) << csv;
    const std::vector<std::string> lines = Split(csv.substr(csv_header.size()));
    EXPECT_EQ(lines.size(), rows.size()) << "log and CSV hold the same samples";
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, csv_row)) << line;
  }
}

TEST(GpuMonitorStart, MissingSectionEndsTheRun) {
  GpuPublisher publisher(PublisherArgs("1"));
  ASSERT_TRUE(publisher.Ready());
  ASSERT_TRUE(RemoveGpuSection());
  Sandbox sandbox;
  sandbox.WriteScript("gpu.avs", kScript + "\n");
  const ProcessResult r = RunPiped(sandbox, {"gpu.avs", "-gpu", "-log"}, std::nullopt, 90s);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, kStart + "\nCannot initialize GPU-Z shared memory:\nNo such file or directory\n");
  EXPECT_FALSE(sandbox.Exists("gpu.log"));
}

}  // namespace
}  // namespace e2e
