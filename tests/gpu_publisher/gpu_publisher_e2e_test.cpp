// The publisher over the fake NVML, alone and with Korbinet on a bundled
// example. Suites are named GpuPublisher*: they take the machine-wide
// section and GPU-Z's process name, so they never run beside other GPU tests.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kPublisher = BuildDir() + "/bin/gpu-publisher";
const std::string kLoad = "GPU usage (current | average):  ";

// The fake library's answers; the publisher reads them again on every call.
class NvmlScript {
 public:
  NvmlScript() : path_(fs::temp_directory_path() / ("korbinet-nvml-" + std::to_string(getpid()))) {
    setenv("FAKE_NVML_SCRIPT", path_.c_str(), 1);
  }
  ~NvmlScript() {
    unsetenv("FAKE_NVML_SCRIPT");
    fs::remove(path_);
  }
  void Write(const std::string& gpu, const std::string& used, const std::string& extra = "") {
    std::ofstream(path_) << "name NVIDIA GeForce RTX 2060\ndriver 550.54.14\ncapability 7 5\nencoder 12\n"
                            "decoder 7\ntotal 6442450944\ngpu " << gpu << "\nused " << used << "\n" << extra;
  }

 private:
  fs::path path_;
};

// The publisher with its standard output and error on one pipe.
class Publisher {
 public:
  explicit Publisher(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      dup2(fds[1], 2);
      std::vector<char*> argv{const_cast<char*>(kPublisher.c_str())};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(kPublisher.c_str(), argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~Publisher() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      ExitStatus();
    }
    if (out_ >= 0) close(out_);
  }

  // Reads until the output holds text or ends; false at the limit.
  bool ReadUntil(const std::string& text, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[512];
    for (pollfd p{out_, POLLIN, 0}; output.find(text) == std::string::npos;) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) return text.empty();
      output.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  // Waits for the end of the output (killing it at the limit) and gives the exit status.
  int Finish(std::chrono::milliseconds limit) {
    if (!ReadUntil("", limit) && pid_ > 0) kill(pid_, SIGKILL);
    return ExitStatus();
  }

  std::string output;

 private:
  int ExitStatus() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid_ = -1;
  int out_ = -1;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool SectionExists() { return fs::exists("/dev/shm/GPUZShMem"); }

TEST(GpuPublisherLive, KorbinetShowsTheCardsFiguresAndTheirChanges) {
  NvmlScript script;
  script.Write("42", "1073741824");
  Publisher publisher({"--source=nvidia", "--nvml", FAKE_NVML, "--interval", "50"});
  ASSERT_TRUE(publisher.ReadUntil("ready\n", 10s)) << publisher.output;
  Sandbox sandbox;
  std::ifstream example(KORBINET_EXAMPLES_DIR "/quick.avs");
  sandbox.WriteScript("quick.avs", std::string(std::istreambuf_iterator<char>(example), {}));
  TerminalSession term(sandbox, {"quick.avs", "-gpu", "-log", "-csv"}, {.rows = 40, .cols = 100});

  ASSERT_TRUE(term.WaitForText(kLoad + "42% | 42%", 60s)) << term.ScreenText();
  for (const std::string line : {"Video engine load (cur | avg):  12% | 12%", "GPU memory usage:               1024 MB",
                                 "GPU memory usage (Dedicated):   1024 MB"}) {
    EXPECT_GT(FindRow(term, line), 0) << line << "\n" << term.ScreenText();
  }
  EXPECT_EQ(FindRow(term, "(Dynamic)"), -1) << "NVML has no such figure";
  script.Write("77", "2147483648");
  EXPECT_TRUE(term.WaitForText(kLoad + "77%", 5s)) << term.ScreenText();
  EXPECT_TRUE(term.WaitForText("GPU memory usage:               2048 MB", 1s)) << term.ScreenText();
  const ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();

  const std::string log = sandbox.ReadFile("quick.log");
  EXPECT_NE(log.find("[Graphics card info]\nCard name:               NVIDIA GeForce RTX 2060\nGPU name:                \n"
                     "Memory size:             6144 MB\nOpenCL version:          \n"
                     "Driver version:          550.54.14\nInfo collected with:     GPU-Z .40.0\n"),
            std::string::npos) << log;
  const std::regex log_row_with_77(R"( *\d+( +[\d.]+){3} +77 +12 +\d+ +\d+ +\d+)");
  EXPECT_TRUE(std::regex_search(log, log_row_with_77)) << log;
  // Every CSV row carries one of the two loads and the video engine's 12; both loads occur.
  std::set<std::string> loads;
  const std::regex csv_row(R"(\d+(,[\d.]+){4},\d+,(42|77),12,\d+,\d+,\d+)");
  const std::vector<std::string> rows = SplitLines(sandbox.ReadFile("quick.csv"));
  ASSERT_GT(rows.size(), 2u);
  for (size_t i = 1; i < rows.size(); ++i) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(rows[i], match, csv_row)) << rows[i];
    if (match.size() > 2) loads.insert(match[2]);
  }
  EXPECT_EQ(loads, (std::set<std::string>{"42", "77"}));
}

TEST(GpuPublisherStart, FailuresGiveAMessageAndStatus1) {
  NvmlScript script;
  script.Write("42", "1", "fail nvmlDeviceGetMemoryInfo 15\n");
  const std::string no_lib = "/nonexistent/libnvidia-ml.so.1";
  const std::string load_error = "cannot load NVML (" + no_lib + "): " + no_lib +
                                 ": cannot open shared object file: No such file or directory";
  for (const auto& [args, output] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--source=nvidia", "--nvml", no_lib}, "gpu-publisher: nvidia: " + load_error + "\n"},
           {{"--source=nvidia", "--nvml", FAKE_NVML}, "gpu-publisher: nvidia: nvmlDeviceGetMemoryInfo: fake error 15\n"},
           {{"--source", "--nvml", no_lib, "--sysfs-root", "/nonexistent"},
            "gpu-publisher: no graphics card found\n  nvidia: " + load_error +
                "\n  amdgpu: cannot list /nonexistent/class/drm: No such file or directory\n"}}) {
    Publisher run(args);
    EXPECT_EQ(run.Finish(10s), 1);
    EXPECT_EQ(run.output, output);
    EXPECT_FALSE(SectionExists());
  }
}

// A card that stops answering: the last figures stay for five seconds, then the publisher ends.
TEST(GpuPublisherLive, SourceFailingForFiveSecondsEndsThePublisher) {
  NvmlScript script;
  script.Write("42", "1073741824");
  std::thread fail_soon([&] {
    std::this_thread::sleep_for(500ms);
    script.Write("42", "1073741824", "fail nvmlDeviceGetUtilizationRates 15\n");
  });
  const auto start = std::chrono::steady_clock::now();
  Publisher run({"--source=nvidia", "--nvml", FAKE_NVML, "--interval", "100"});
  EXPECT_EQ(run.Finish(30s), 1);
  fail_soon.join();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 5s);
  const std::regex expected(
      "ready\n"
      "gpu-publisher: nvidia: reading failed, keeping the last figures: nvmlDeviceGetUtilizationRates: fake error 15\n"
      "gpu-publisher: nvidia: no good reading for 5 seconds \\(\\d+ failed in a row\\), stopping: "
      "nvmlDeviceGetUtilizationRates: fake error 15\n");
  EXPECT_TRUE(std::regex_match(run.output, expected)) << run.output;
  EXPECT_FALSE(SectionExists());
}

}  // namespace
}  // namespace e2e
