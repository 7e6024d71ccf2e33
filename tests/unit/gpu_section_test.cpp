// The GPU monitor against the stand-in publisher in a real shared section.
// Tests touching the section are named GpuSection* so the runner serializes them.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "measure/gpu_info.h"
#include "platform/files.h"

extern char** environ;

namespace {

std::string PublisherPath() {
  const std::string self = platform::ExecutablePath();
  const std::string path = self.substr(0, self.rfind('/') + 1) + "gpu-publisher";
  return platform::FileExists(path) ? path : "";
}

// A running gpu-publisher with its standard output (or error) on a pipe.
class Publisher {
 public:
  Publisher(std::vector<std::string> args, int fd = 1) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], fd);
    args.insert(args.begin(), PublisherPath());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Publisher() {
    if (pid_ > 0) Stop(SIGKILL);
    close(out_);
  }
  // The first line written; the limit only keeps a broken publisher from hanging the run.
  std::string FirstLine() {
    std::string text;
    pollfd p{out_, POLLIN, 0};
    char c;
    while (text.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0 && read(out_, &c, 1) == 1) text += c;
    return text;
  }
  // The exit status after the signal (0: none), or -1 if it did not exit.
  int Stop(int signal_number) {
    if (pid_ <= 0) return -1;  // never kill(-1, ...)
    if (signal_number != 0) kill(pid_, signal_number);
    int status = -1;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(GpuSection, MonitorReadsWhatThePublisherWrites) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  Publisher publisher({"--record", "CardName=Test Card Ü", "--record", "CUDA=1", "--record",
                       "CUDA_Capability=7.5", "--sensor", "GPU Load=42.5", "--sensor",
                       "Video Engine Load=12.49", "--sensor", "Memory Used=2048", "--seconds", "60"});
  ASSERT_EQ(publisher.FirstLine(), "ready\n");
  CGPUInfo info;
  EXPECT_EQ(info.gpuz_running, 1);
  ASSERT_EQ(info.OpenSharedMemory(), 1) << info.last_error;
  EXPECT_EQ(info.gpuz_version, ".40.0");
  EXPECT_EQ(info.card_name, "Test Card Ü");
  info.RefreshSensors();
  EXPECT_EQ(std::tuple(info.gpu_load, info.video_engine_load, info.memory_used), std::tuple(43, 12, 2048u));
  info.CloseSharedMemory();
  EXPECT_EQ(publisher.Stop(SIGTERM), 0);
  EXPECT_EQ(info.OpenSharedMemory(), 0);
  EXPECT_EQ(info.last_error, "No such file or directory\n");
}

TEST(GpuSection, SmallSectionSkipsWhatDoesNotFitAndEndsOnSigint) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  // Room for one record only: neither side may look past the end.
  Publisher publisher({"--size", "1036", "--record", "GPUName=GP104", "--record",
                       "CardName=skipped", "--sensor", "GPU Load=50"});
  ASSERT_EQ(publisher.FirstLine(), "ready\n");
  CGPUInfo info(CGPUInfo::NoProcessScan{});
  ASSERT_EQ(info.OpenSharedMemory(), 1) << info.last_error;
  EXPECT_EQ(info.gpu_name, "GP104");
  EXPECT_EQ(info.card_name, "");
  info.CloseSharedMemory();
  EXPECT_EQ(publisher.Stop(SIGINT), 0);
  EXPECT_EQ(info.OpenSharedMemory(), 0);
}

TEST(GpuPublisher, BadArgumentsGiveUsageAndStatus2) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus", "1"}, {"--title"}, {"--size", "12x"}, {"--record", "CardName"}, {"--sensor", "GPU Load="}}) {
    Publisher publisher(args, 2);
    EXPECT_EQ(publisher.FirstLine().rfind("usage: gpu-publisher", 0), 0u) << args[0];
    EXPECT_EQ(publisher.Stop(0), 2) << args[0];
  }
}

}  // namespace
