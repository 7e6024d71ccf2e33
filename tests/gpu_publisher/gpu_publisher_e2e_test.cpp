// The publisher over the fake NVML, alone and with Korbinet on a bundled
// example. They take the machine-wide section and GPU-Z's process name, so
// they run only under the GPU resource lock.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "harness/sandbox.h"
#include "harness/terminal_session.h"

extern char** environ;

namespace e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kLoad = "GPU usage (current | average):  ";

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

// The publisher with its standard output and error on one pipe. A publisher
// that hangs is ended by the test's time limit.
class Publisher {
 public:
  explicit Publisher(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), BuildDir() + "/bin/gpu-publisher");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
  }
  ~Publisher() {
    if (pid_ > 0) kill(pid_, SIGTERM);
    Finish();
    if (out_ != nullptr) std::fclose(out_);
  }
  std::string Line() {
    char line[512];
    return out_ != nullptr && std::fgets(line, sizeof line, out_) ? line : "";
  }
  // What it writes until it ends, and its exit status.
  int Finish(std::string* rest = nullptr) {
    for (std::string line; !(line = Line()).empty();) {
      if (rest) *rest += line;
    }
    int status = -1;
    if (pid_ > 0) waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

bool SectionExists() { return fs::exists("/dev/shm/GPUZShMem"); }

TEST(GpuPublisherLive, KorbinetShowsTheCardsFiguresAndTheirChanges) {
  NvmlScript script;
  script.Write("42", "1073741824");
  Publisher publisher({"--source=nvidia", "--nvml", FAKE_NVML, "--interval", "50"});
  ASSERT_EQ(publisher.Line(), "ready\n");
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
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\n *\d+( +[\d.]+){3} +77 +12 +\d+ +\d+ +\d+\n)"))) << log;
  // Every CSV row carries one of the two loads and the video engine's 12; both loads occur.
  std::istringstream csv(sandbox.ReadFile("quick.csv"));
  const std::regex csv_row(R"(\d+(,[\d.]+){4},\d+,(42|77),12,\d+,\d+,\d+)");
  std::set<std::string> loads;
  std::string row;
  std::getline(csv, row);
  EXPECT_EQ(row, "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),GPU(%),VPU(%),"
                 "Threads,PhysMEM(MB),VirtMEM(MB)");
  for (std::smatch match; std::getline(csv, row);) {
    EXPECT_TRUE(std::regex_match(row, match, csv_row)) << row;
    if (match.size() > 2) loads.insert(match[2]);
  }
  EXPECT_EQ(loads, (std::set<std::string>{"42", "77"}));
}

TEST(GpuPublisherStart, NoCardGivesAMessageAndStatus1) {
  const std::string no_lib = "/nonexistent/libnvidia-ml.so.1";
  Publisher publisher({"--source", "--nvml", no_lib, "--sysfs-root", "/nonexistent"});
  std::string output;
  EXPECT_EQ(publisher.Finish(&output), 1);
  EXPECT_EQ(output, "gpu-publisher: no graphics card found\n  nvidia: cannot load NVML (" + no_lib + "): " + no_lib +
                        ": cannot open shared object file: No such file or directory\n"
                        "  amdgpu: cannot list /nonexistent/class/drm: No such file or directory\n");
  EXPECT_FALSE(SectionExists());
}

// A card that stops answering: the last figures stay for five seconds, then the publisher ends.
TEST(GpuPublisherLive, SourceFailingForFiveSecondsEndsThePublisher) {
  NvmlScript script;
  script.Write("42", "1073741824");
  Publisher publisher({"--source=nvidia", "--nvml", FAKE_NVML, "--interval", "100"});
  ASSERT_EQ(publisher.Line(), "ready\n");
  const auto failing_since = std::chrono::steady_clock::now();
  script.Write("42", "1073741824", "fail nvmlDeviceGetUtilizationRates 15\n");
  std::string output;
  EXPECT_EQ(publisher.Finish(&output), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - failing_since, 4900ms);
  const std::string reason = "nvmlDeviceGetUtilizationRates: fake error 15\n";
  EXPECT_TRUE(std::regex_match(output, std::regex("gpu-publisher: nvidia: reading failed, keeping the last figures: " +
                                                  reason + "gpu-publisher: nvidia: no good reading for 5 seconds "
                                                  "\\(\\d+ failed in a row\\), stopping: " + reason)))
      << output;
  EXPECT_FALSE(SectionExists());
}

}  // namespace
}  // namespace e2e
