// Suites are named Gpu*: the section and process names are machine-wide, so they never run in parallel.
#include <iterator>
#include <sstream>

#include "e2e_common.h"
#include "harness/gpu_publisher_runner.h"

namespace e2e {
namespace {

// 25 ms a frame gives interval 1; the 80-frame run lets several live pages come and go.
const std::string kScript = "BlankClip(length=32, width=64, height=48)\nNap(25)";
const std::string kLongScript = "BlankClip(length=80, width=64, height=48)\nNap(25)";
constexpr auto kRunTimeout = 90s;

const std::string kNotice = "\nIn order to measure GPU usage, GPU-Z must be running.\n\n";
const std::string kQuestion = "Continue without GPU monitoring? [y/n]";

std::string LogHeader(const std::string& gpu_columns) {
  return "\n[Performance data]\n       Frame    Frames/sec   Time/frame(ms)   CPU(%)   " + gpu_columns +
         "Threads   PhysMEM(MB)   VirtMEM(MB)\n";
}
std::string CsvHeader(const std::string& gpu_columns) {
  return "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%)," + gpu_columns +
         "Threads,PhysMEM(MB),VirtMEM(MB)\n";
}
const std::string kLogHeaderGpu = LogHeader("GPU(%)   "), kLogHeaderGpuVpu = LogHeader("GPU(%)   VPU(%)   ");

struct CardFacts {
  std::string card = "NVIDIA GeForce RTX 2060", gpu = "TU106", memory = "6144 MB", opencl = "OpenCL 3.0 CUDA",
              driver = "31.0.15.3623";
};

// Padded values must be trimmed; the CUDA records come last.
std::vector<std::string> PublisherArgs(const std::string& cuda, const std::string& capability,
                                       const std::string& title = "GPU-Z 2.40.0") {
  const CardFacts f;
  return {"--title", title,
          "--record", "CardName=" + f.card,
          "--record", "GPUName=" + f.gpu,
          "--record", "MemSize=  " + f.memory + " \t",
          "--record", "OpenCL_Version=" + f.opencl,
          "--record", "DriverVersion= " + f.driver,
          "--record", "CUDA=" + cuda,
          "--record", "CUDA_Capability=" + capability,
          "--sensor", "GPU Load=42.5",
          "--sensor", "Video Engine Load=12.4",
          "--sensor", "Memory Used=1024",
          "--sensor", "Memory Usage (Dedicated)=900",
          "--sensor", "Memory Usage (Dynamic)=100"};
}

std::string CardSection(const CardFacts& f, const std::string& version) {
  return "\n\n[Graphics card info]\n"
         "Card name:               " + f.card + "\n"
         "GPU name:                " + f.gpu + "\n"
         "Memory size:             " + f.memory + "\n"
         "OpenCL version:          " + f.opencl + "\n"
         "Driver version:          " + f.driver + "\n"
         "Info collected with:     GPU-Z " + version + "\n\n";
}

std::string AfterScript(const std::string& script, const CardFacts& f, const std::string& version,
                        const std::string& table_header) {
  return "\n[Script]\n" + script + "\n\n" + CardSection(f, version) + table_header;
}

// Every log and CSV row: its width and the rounded GPU (and VPU) value.
void ExpectSampleColumns(const std::string& log, const std::string& log_header, const std::string& csv,
                         const std::string& csv_header, const std::optional<std::string>& vpu) {
  const size_t columns = vpu ? 9 : 8, at = log.find(log_header);
  ASSERT_NE(at, std::string::npos) << log;
  const std::vector<std::string> rows = SplitLines(log.substr(at + log_header.size()));
  ASSERT_FALSE(rows.empty()) << log;
  for (const std::string& row : rows) {
    std::istringstream in(row);
    const std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
    ASSERT_EQ(w.size(), columns) << row;
    EXPECT_EQ(w[4], "43") << row;
    if (vpu) { EXPECT_EQ(w[5], *vpu) << row; }
  }
  ASSERT_EQ(csv.substr(0, csv_header.size()), csv_header) << csv;
  const std::vector<std::string> lines = SplitLines(csv.substr(csv_header.size()));
  EXPECT_EQ(lines.size(), rows.size()) << "log and CSV hold the same samples";
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Split(line, ',');
    ASSERT_EQ(f.size(), columns + 2) << line;
    EXPECT_EQ(f[6], "43") << line;
    if (vpu) { EXPECT_EQ(f[7], *vpu) << line; }
  }
}

// Polls, since a page redrawn in place can be caught half drawn.
bool WaitForBlock(TerminalSession& term, const std::vector<std::string>& lines,
                  std::chrono::milliseconds timeout = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const std::string label = lines.front().substr(0, lines.front().find(':') + 1);
  while (true) {
    term.Pump(20ms);
    const int row = FindRow(term, label);
    if (row > 0 && term.Row(row - 1).empty()) {
      bool all = true;
      for (size_t i = 0; i < lines.size() && all; ++i) all = term.Row(row + static_cast<int>(i)) == lines[i];
      if (all) return true;
    }
    if (std::chrono::steady_clock::now() >= deadline || !term.Running()) return false;
  }
}

struct VideoEngineCase {
  std::string name, cuda, capability;
  bool video_engine;
};

TEST(GpuMonitorRun, PageSummaryLogAndCsvShowTheSensors) {
  const std::vector<VideoEngineCase> cases = {
      {"CUDA 7.5", "1", "7.5", true},
      {"CUDA capability below 1.0", "1", "0.9", false},
      {"no CUDA", "0", "7.5", false},
  };
  for (const VideoEngineCase& c : cases) {
    SCOPED_TRACE(c.name);
    GpuPublisher publisher(PublisherArgs(c.cuda, c.capability));
    ASSERT_TRUE(publisher.Ready());
    Sandbox sandbox;
    sandbox.WriteScript("gpu.avs", kLongScript + "\n");
    TerminalSession term(sandbox, {"gpu.avs", "-gpu", "-log", "-csv"}, {.rows = 40, .cols = 100});

    std::vector<std::string> page = {"GPU usage (current | average):  43% | 43%"};
    if (c.video_engine) page.push_back("Video engine load (cur | avg):  12% | 12%");
    page.insert(page.end(), {"GPU memory usage:               1024 MB", "GPU memory usage (Dedicated):   900 MB",
                             "GPU memory usage (Dynamic):     100 MB", ""});
    EXPECT_TRUE(WaitForBlock(term, page)) << term.ScreenText();
    const int time_row = FindRow(term, "Time (elapsed | estimated):");
    EXPECT_EQ(time_row, FindRow(term, page.front()) + static_cast<int>(page.size())) << term.ScreenText();

    const ExitResult exit = term.WaitForExit(60s);
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
    std::vector<std::string> summary = {"GPU usage (average):            43%"};
    if (c.video_engine) summary.push_back("Video engine load (average):    12%");
    summary.insert(summary.end(), {"GPU memory usage:               1024 MB",
                                   "GPU memory usage (Dedicated):   900 MB",
                                   "GPU memory usage (Dynamic):     100 MB", ""});
    EXPECT_TRUE(WaitForBlock(term, summary, 1s)) << term.ScreenText();
    EXPECT_EQ(FindRow(term, "Time (elapsed):"), FindRow(term, summary.front()) + static_cast<int>(summary.size()))
        << term.ScreenText();

    const std::string log = sandbox.ReadFile("gpu.log");
    const std::string& log_header = c.video_engine ? kLogHeaderGpuVpu : kLogHeaderGpu;
    EXPECT_NE(log.find(AfterScript(kLongScript, CardFacts{}, ".40.0", log_header)), std::string::npos) << log;
    // The log's summary has the same GPU lines, without the blank lines around them.
    std::string runtime = "\n";
    for (size_t i = 0; i + 1 < summary.size(); ++i) runtime += summary[i] + "\n";
    EXPECT_NE(log.find(runtime + "Time (elapsed):"), std::string::npos) << log;
    EXPECT_EQ(log.find("\n\nGPU usage (average):"), std::string::npos) << log;
    ExpectSampleColumns(log, log_header, sandbox.ReadFile("gpu.csv"),
                        CsvHeader(c.video_engine ? "GPU(%),VPU(%)," : "GPU(%),"),
                        c.video_engine ? std::optional<std::string>("12") : std::nullopt);
  }
}

enum class Inside { kNothing, kFirstRecord, kAllRecords, kFirstSensor };

struct SmallSectionCase {
  std::string size;
  Inside inside;  // what lies wholly inside the section
  std::string title = "GPU-Z 2.40.0";
  std::string version = ".40.0";  // taken from the end of the process name
};

// Sections smaller than the layout: what lies inside is read, nothing beyond.
TEST(GpuMonitorRun, SmallSectionsAreReadOnlyAsFarAsTheyGo) {
  const std::vector<SmallSectionCase> cases = {
      {"0", Inside::kNothing},           {"12", Inside::kNothing},           {"1035", Inside::kNothing},
      {"1036", Inside::kFirstRecord},    {"131623", Inside::kAllRecords},    {"131624", Inside::kFirstSensor},
      {"131624", Inside::kFirstSensor, "gpu-z beta", "Unknown"},
  };
  for (const SmallSectionCase& c : cases) {
    SCOPED_TRACE("size " + c.size + " " + c.title);
    std::vector<std::string> args = PublisherArgs("1", "7.5", c.title);
    args.insert(args.end(), {"--size", c.size});
    GpuPublisher publisher(args);
    ASSERT_TRUE(publisher.Ready());
    Sandbox sandbox;
    sandbox.WriteScript("gpu.avs", kScript + "\n");
    const ProcessResult r = RunPiped(sandbox, {"gpu.avs", "-gpu", "-log"}, std::nullopt, kRunTimeout);
    ASSERT_EQ(r.exit_status, 0) << Describe(r);
    const bool all_records = c.inside == Inside::kAllRecords || c.inside == Inside::kFirstSensor;
    CardFacts facts = all_records ? CardFacts{} : CardFacts{"", "", "", "", ""};
    if (c.inside == Inside::kFirstRecord) facts.card = CardFacts{}.card;
    const std::string log = sandbox.ReadFile("gpu.log");
    EXPECT_NE(log.find(AfterScript(kScript, facts, c.version, all_records ? kLogHeaderGpuVpu : kLogHeaderGpu)),
              std::string::npos)
        << log;
    const bool gpu_load = c.inside == Inside::kFirstSensor;
    EXPECT_NE(r.err.find(gpu_load ? "GPU usage (average):            43%\n" : "GPU usage (average):            0%\n"),
              std::string::npos)
        << Describe(r);
    if (all_records) EXPECT_NE(r.err.find("Video engine load (average):    0%\n"), std::string::npos) << Describe(r);
    EXPECT_EQ(r.err.find("GPU memory usage"), std::string::npos) << Describe(r);
  }
}

TEST(GpuMonitorStart, MissingSectionEndsTheRun) {
  GpuPublisher publisher(PublisherArgs("1", "7.5"));
  ASSERT_TRUE(publisher.Ready());
  ASSERT_TRUE(RemoveGpuSection());
  Sandbox sandbox;
  sandbox.WriteScript("gpu.avs", kScript + "\n");
  const ProcessResult r = RunPiped(sandbox, {"gpu.avs", "-gpu", "-log"}, std::nullopt, kRunTimeout);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText() + "\nCannot initialize GPU-Z shared memory:\nNo such file or directory\n")
      << Describe(r);
  EXPECT_FALSE(sandbox.Exists("gpu.log"));
}

struct ClosedInputCase {
  std::optional<std::string> input;
  bool via_settings;  // MonitorGPULoad=1 instead of -gpu
};

// The end of input is a no, never a hang.
TEST(GpuMonitorQuestion, PipedInputAnswersNoOrIsIgnored) {
  ASSERT_FALSE(GpuzProcessRunning()) << "a process named like GPU-Z runs on this machine";
  for (const ClosedInputCase& c : std::vector<ClosedInputCase>{
           {std::nullopt, false}, {"", true}, {"x\x1bq", false}, {"xN", true}}) {
    SCOPED_TRACE(c.input.value_or("no input"));
    Sandbox sandbox({.settings = {{"MonitorGPULoad", c.via_settings ? "1" : "0"}}});
    sandbox.WriteScript("gpu.avs", kScript + "\n");
    std::vector<std::string> args = {"gpu.avs", "-log"};
    if (!c.via_settings) args.push_back("-gpu");
    const ProcessResult r = RunPiped(sandbox, args, c.input, 20s);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string start = PipedStartText() + kNotice + kQuestion;
    EXPECT_EQ(r.err.substr(0, start.size()), start) << Describe(r);
    EXPECT_EQ(r.err.find("Analysing"), std::string::npos) << Describe(r);
    EXPECT_FALSE(sandbox.Exists("gpu.log"));
  }
}

TEST(GpuMonitorQuestion, NoBlanksTheQuestionAndExits) {
  ASSERT_FALSE(GpuzProcessRunning()) << "a process named like GPU-Z runs on this machine";
  Sandbox sandbox;
  sandbox.WriteScript("gpu.avs", kScript + "\n");
  TerminalSession term(sandbox, {"gpu.avs", "-gpu", "-log"});
  ASSERT_TRUE(term.WaitForText(kQuestion)) << term.ScreenText();
  const int notice_row = FindRow(term, "In order to measure GPU usage, GPU-Z must be running.");
  ASSERT_GT(notice_row, 0) << term.ScreenText();
  EXPECT_EQ(term.Row(notice_row - 1), "");
  EXPECT_EQ(term.Row(notice_row + 1), "");
  EXPECT_EQ(term.Row(notice_row + 2), kQuestion);
  term.SendKeys("n");
  const ExitResult exit = term.WaitForExit();
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 255);
  for (int row = notice_row - 1; row < term.Rows(); ++row) EXPECT_EQ(term.Row(row), "") << term.ScreenText();
  EXPECT_FALSE(sandbox.Exists("gpu.log"));
}

TEST(GpuMonitorQuestion, OtherKeysAreIgnoredAndYesRunsWithoutGpu) {
  ASSERT_FALSE(GpuzProcessRunning()) << "a process named like GPU-Z runs on this machine";
  Sandbox sandbox;
  sandbox.WriteScript("gpu.avs", kLongScript + "\n");
  TerminalSession term(sandbox, {"gpu.avs", "-gpu", "-log", "-csv"}, {.rows = 40, .cols = 100});
  ASSERT_TRUE(term.WaitForText(kQuestion)) << term.ScreenText();
  const int notice_row = FindRow(term, "In order to measure GPU usage, GPU-Z must be running.");
  term.Pump(200ms);  // keys typed before echo is off would show on the screen
  for (const std::string keys : {"x", "\x1b", "\x1b[A", "\r"}) {
    term.SendKeys(keys);
    term.Pump(300ms);
    ASSERT_TRUE(term.Running()) << "a key other than y or n ended the question";
    EXPECT_EQ(term.Row(notice_row + 2), kQuestion) << term.ScreenText();
  }
  term.SendKeys("y");
  const ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
  const std::string screen = term.ScreenText();
  EXPECT_EQ(screen.find("GPU"), std::string::npos) << screen;
  // The clip lines start where the notice's blank first line was.
  EXPECT_EQ(term.Row(notice_row), "Number of frames:                   80") << screen;

  const std::string log = sandbox.ReadFile("gpu.log");
  EXPECT_EQ(log.find("GPU"), std::string::npos) << log;
  EXPECT_NE(log.find("\n[Script]\n" + kLongScript + "\n\n" + LogHeader("")), std::string::npos) << log;
  const std::string csv = sandbox.ReadFile("gpu.csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), CsvHeader(""));
}

}  // namespace
}  // namespace e2e
