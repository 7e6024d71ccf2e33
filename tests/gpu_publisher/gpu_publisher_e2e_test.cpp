// Korbinet's GPU figures from the publisher, over its command-line records and
// over the fake NVML, and the publisher's own endings. They take the
// machine-wide section and GPU-Z's process name, so they run only under the
// GPU resource lock.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>

#include "e2e_common.h"

namespace e2e {
namespace {

// The fake library's answers; the publisher reads them again on every call.
class NvmlScript {
 public:
  NvmlScript() { setenv("FAKE_NVML_SCRIPT", path_.c_str(), 1); }
  ~NvmlScript() { fs::remove(path_); }
  // Replaced whole, so that the publisher never reads half a script.
  void Write(const std::string& gpu, const std::string& used, const std::string& extra = "") {
    const fs::path next = path_.string() + ".next";
    std::ofstream(next) << "name NVIDIA GeForce RTX 2060\ndriver 550.54.14\ncapability 7 5\nencoder 12\n"
                           "decoder 7\ntotal 6442450944\ngpu " << gpu << "\nused " << used << "\n" << extra;
    fs::rename(next, path_);
  }

 private:
  fs::path path_ = fs::temp_directory_path() / ("korbinet-nvml-" + std::to_string(getpid()));
};

// The publisher on a terminal of its own; ended by SIGTERM, so that it removes its section.
struct Publisher : TerminalSession {
  Publisher(const Sandbox& sandbox, const std::vector<std::string>& args)
      : TerminalSession(sandbox, args, {}, BuildDir() + "/bin/gpu-publisher") {}
  ~Publisher() {
    if (Running()) kill(Pid(), SIGTERM), WaitForExit();
  }
  // What it wrote, its two streams in one.
  std::string Output() { return std::regex_replace(RawOutput(), std::regex("\r\n"), "\n"); }
};

// Padded values must be trimmed; the CUDA records come last.
std::vector<std::string> FromRecords() {
  std::vector<std::string> args = {"--title", "GPU-Z 2.40.0"};
  for (const char* r : {"CardName=NVIDIA GeForce RTX 2060", "GPUName=TU106", "MemSize=  6144 MB \t",
                        "OpenCL_Version=OpenCL 3.0 CUDA", "DriverVersion= 31.0.15.3623", "CUDA=1",
                        "CUDA_Capability=7.5"})
    args.insert(args.end(), {"--record", r});
  for (const char* s : {"GPU Load=42.5", "Video Engine Load=12.4", "Memory Used=1024", "Memory Usage (Dedicated)=900",
                        "Memory Usage (Dynamic)=100"})
    args.insert(args.end(), {"--sensor", s});
  return args;
}

TEST(GpuMonitorRun, PageSummaryLogAndCsvShowTheSensorsAndAMissingSectionEndsTheRun) {
  Sandbox sandbox;
  Publisher publisher(sandbox, FromRecords());
  ASSERT_TRUE(publisher.WaitForText("ready")) << publisher.Output();
  // 25 ms a frame gives interval 1; 80 frames let several live pages come and go.
  const std::string script = "BlankClip(length=80, width=64, height=48)\nNap(25)";
  sandbox.WriteFile("gpu.avs", script + "\n");
  TerminalSession term(sandbox, {"gpu.avs", "-gpu", "-log", "-csv"}, {.rows = 40, .cols = 100});
  // The block between blank rows, the time row after it. Polled whole: a page redrawn in place can be
  // caught half drawn.
  const std::string memory = "GPU memory usage:               1024 MB\nGPU memory usage (Dedicated):   900 MB\n"
                             "GPU memory usage (Dynamic):     100 MB\n";
  const std::string page = "GPU usage (current | average):  43% | 43%\nVideo engine load (cur | avg):  12% | 12%\n";
  EXPECT_TRUE(term.WaitForText("\n\n" + page + memory + "\nTime (elapsed | estimated):", 30s)) << term.ScreenText();
  const ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
  const std::string summary = "GPU usage (average):            43%\nVideo engine load (average):    12%\n" + memory;
  EXPECT_TRUE(term.WaitForText("\n\n" + summary + "\nTime (elapsed):", 1s)) << term.ScreenText();

  const std::string log = sandbox.ReadFile("gpu.log"), csv = sandbox.ReadFile("gpu.csv");
  const std::string log_header = "\n[Performance data]\n       Frame    Frames/sec   Time/frame(ms)   CPU(%)   GPU(%)   "
                                 "VPU(%)   Threads   PhysMEM(MB)   VirtMEM(MB)\n";
  const size_t rows_at = log.find("\n[Script]\n" + script + "\n\n\n\n[Graphics card info]\n"
                                  "Card name:               NVIDIA GeForce RTX 2060\nGPU name:                TU106\n"
                                  "Memory size:             6144 MB\nOpenCL version:          OpenCL 3.0 CUDA\n"
                                  "Driver version:          31.0.15.3623\nInfo collected with:     GPU-Z .40.0\n\n" +
                                  log_header);
  ASSERT_NE(rows_at, std::string::npos) << log;
  // The log's summary has the same lines without the blank ones around them.
  EXPECT_NE(log.find("\n" + summary + "Time (elapsed):"), std::string::npos) << log;
  // Every log and CSV row (their columns are the unit tests'): the rounded GPU and VPU values.
  const std::vector<std::string> rows = Split(log.substr(log.find(log_header, rows_at) + log_header.size()));
  ASSERT_FALSE(rows.empty());
  for (const std::string& row : rows) EXPECT_TRUE(Matches(row, R"( *\d+( +[\d.]+){3} +43 +12 +\d+ +\d+ +\d+)")) << row;
  const std::vector<std::string> lines = Split(csv);
  ASSERT_EQ(lines.size(), rows.size() + 1) << "log and CSV hold the same samples";
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(Matches(lines[i], R"(\d+(,[\d.]+){4},\d+,43,12,\d+,\d+,\d+)"));

  // GPU-Z still runs but its section is gone: the run ends before it starts.
  ASSERT_EQ(shm_unlink("/GPUZShMem"), 0);
  sandbox.WriteFile("gone.avs", script + "\n");
  const ProcessResult r = RunPiped(sandbox, {"gone.avs", "-gpu", "-log"}, std::nullopt, 90s);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, kStart + "\nCannot initialize GPU-Z shared memory:\nNo such file or directory\n");
  EXPECT_FALSE(sandbox.Exists("gone.log"));
}

// Then the card stops answering: the last figures stay for five seconds, and the publisher ends.
TEST(GpuPublisherLive, KorbinetShowsTheCardsFiguresAndTheirChanges) {
  NvmlScript script;
  script.Write("42", "1073741824");
  Sandbox sandbox;
  Publisher publisher(sandbox, {"--source=nvidia", "--nvml", FAKE_NVML, "--interval", "50"});
  ASSERT_TRUE(publisher.WaitForText("ready")) << publisher.Output();
  std::ifstream example(KORBINET_EXAMPLES_DIR "/quick.avs");
  sandbox.WriteFile("quick.avs", std::string(std::istreambuf_iterator<char>(example), {}));
  TerminalSession term(sandbox, {"quick.avs", "-gpu", "-csv"}, {.rows = 40, .cols = 100});
  // The page's form is GpuMonitorRun's; here the card's figures reach it, and their change does.
  ASSERT_TRUE(term.WaitForText("GPU usage (current | average):  42% | 42%", 60s)) << term.ScreenText();
  script.Write("77", "2147483648");
  EXPECT_TRUE(term.WaitForText("GPU usage (current | average):  77%", 5s)) << term.ScreenText();
  EXPECT_TRUE(term.WaitForText("GPU memory usage:               2048 MB", 2s)) << term.ScreenText();
  const ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();

  // Every CSV row carries one of the two loads, never a figure caught half written; both loads occur.
  const std::string csv = sandbox.ReadFile("quick.csv");
  const std::vector<std::string> lines = Split(csv);
  for (size_t i = 1; i < lines.size(); ++i)
    EXPECT_TRUE(Matches(lines[i], R"(\d+(,[\d.]+){4},\d+,(42|77),12,\d+,\d+,\d+)")) << lines[i];
  EXPECT_NE(csv.find(",42,12,"), std::string::npos);
  EXPECT_NE(csv.find(",77,12,"), std::string::npos);

  script.Write("77", "2147483648", "fail nvmlDeviceGetUtilizationRates 15\n");
  EXPECT_EQ(publisher.WaitForExit(30s).exit_status, 1);
  const std::string reason = "nvmlDeviceGetUtilizationRates: fake error 15\n";
  EXPECT_TRUE(Matches(publisher.Output(), "ready\ngpu-publisher: nvidia: reading failed, keeping the last figures: " + reason +
                                  "gpu-publisher: nvidia: no good reading for 5 seconds \\(\\d+ failed in a row\\), "
                                  "stopping: " + reason)) << publisher.Output();
  EXPECT_FALSE(fs::exists("/dev/shm/GPUZShMem"));
}

TEST(GpuPublisherStart, NoCardGivesAMessageAndStatus1) {
  const std::string no_lib = "/nonexistent/libnvidia-ml.so.1";
  const ProcessResult r = RunPiped(Sandbox(), {"--source", "--nvml", no_lib, "--sysfs-root", "/nonexistent"},
                                   std::nullopt, 60s, BuildDir() + "/bin/gpu-publisher");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out + "|" + r.err, "|gpu-publisher: no graphics card found\n  nvidia: cannot load NVML (" + no_lib + "): " + no_lib +
                        ": cannot open shared object file: No such file or directory\n"
                        "  amdgpu: cannot list /nonexistent/class/drm: No such file or directory\n");
  EXPECT_FALSE(fs::exists("/dev/shm/GPUZShMem"));
}

}  // namespace
}  // namespace e2e
