// The GPU monitor against the stand-in publisher in a real shared section.
// Every test here that touches the section is named GpuSection* so that the
// runner can keep them from overlapping.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
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
  bool Start(const std::vector<std::string>& args, bool capture_stderr = false) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], capture_stderr ? 2 : 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> all{PublisherPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool ok = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
    return ok;
  }

  // Everything written until the text contains until or the pipe closes. The
  // generous limit only keeps a broken publisher from hanging the run.
  std::string ReadUntil(const std::string& until) {
    std::string text;
    pollfd p{out_, POLLIN, 0};
    while (text.find(until) == std::string::npos && poll(&p, 1, 20000) > 0) {
      char buffer[256];
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

  // Sends signal (0: none) and returns the wait status.
  int Stop(int signal_number) {
    if (signal_number != 0) kill(pid_, signal_number);
    int status = -1;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  ~Publisher() {
    if (pid_ > 0) Stop(SIGKILL);
    if (out_ >= 0) close(out_);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(GpuSection, MonitorReadsWhatThePublisherWrites) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  Publisher publisher;
  ASSERT_TRUE(publisher.Start({"--record", "CardName=Test Card Ü", "--record", "CUDA=1",
                               "--record", "CUDA_Capability=7.5", "--record",
                               "DriverVersion=  31.0  ", "--sensor", "GPU Load=42.5",
                               "--sensor", "Video Engine Load=12.49", "--sensor",
                               "Memory Used=2048", "--seconds", "60"}));
  ASSERT_EQ(publisher.ReadUntil("\n"), "ready\n");

  CGPUInfo info;
  EXPECT_EQ(info.gpuz_running, 1);
  ASSERT_EQ(info.OpenSharedMemory(), 1) << info.last_error;
  EXPECT_EQ(info.shared_memory_open, 1);
  EXPECT_EQ(info.last_error, "");
  EXPECT_EQ(info.gpuz_version, ".40.0");
  EXPECT_EQ(info.card_name, "Test Card Ü");
  EXPECT_EQ(info.driver_version, "31.0");
  EXPECT_EQ(info.video_engine_available, 1);
  info.RefreshSensors();
  EXPECT_EQ(info.gpu_load, 43);
  EXPECT_EQ(info.video_engine_load, 12);
  EXPECT_EQ(info.memory_used, 2048u);
  EXPECT_EQ(info.has_memory_used, 1);
  EXPECT_EQ(info.has_memory_dynamic, 0);
  info.CloseSharedMemory();
  EXPECT_EQ(info.shared_memory_open, 0);

  const int status = publisher.Stop(SIGTERM);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The section went with the publisher.
  EXPECT_EQ(info.OpenSharedMemory(), 0);
  EXPECT_EQ(info.last_error, "No such file or directory\n");
  EXPECT_EQ(info.shared_memory_open, 0);
}

TEST(GpuSection, SmallSectionSkipsWhatDoesNotFitAndEndsOnSigint) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  Publisher publisher;
  // Room for one record only: the publisher must skip the second record and
  // the sensor, and the monitor must not look past the end.
  ASSERT_TRUE(publisher.Start({"--size", "1036", "--record", "GPUName=GP104", "--record",
                               "CardName=skipped", "--sensor", "GPU Load=50"}));
  ASSERT_EQ(publisher.ReadUntil("\n"), "ready\n");
  CGPUInfo info(CGPUInfo::NoProcessScan{});
  ASSERT_EQ(info.OpenSharedMemory(), 1) << info.last_error;
  EXPECT_EQ(info.gpu_name, "GP104");
  EXPECT_EQ(info.card_name, "");
  info.CloseSharedMemory();
  const int status = publisher.Stop(SIGINT);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(info.OpenSharedMemory(), 0);
}

TEST(GpuPublisher, BadArgumentsGiveUsageAndStatus2) {
  if (PublisherPath().empty()) GTEST_SKIP() << "gpu-publisher not built";
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus", "1"},          {"--title"},           {"--size", "-1"},
      {"--size", "12x"},         {"--seconds", "soon"}, {"--record", "CardName"},
      {"--sensor", "GPU Load=high"}, {"--sensor", "GPU Load="},
  };
  for (const auto& args : bad) {
    Publisher publisher;
    ASSERT_TRUE(publisher.Start(args, /*capture_stderr=*/true));
    EXPECT_EQ(publisher.ReadUntil("\n").rfind("usage: gpu-publisher", 0), 0u) << args[0];
    const int status = publisher.Stop(0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << args[0];
  }
}

}  // namespace
