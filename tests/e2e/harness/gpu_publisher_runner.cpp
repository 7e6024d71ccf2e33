#include "harness/gpu_publisher_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "harness/sandbox.h"

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

bool WaitForChild(pid_t pid) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  for (int status = 0; Clock::now() < deadline; usleep(5000)) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
  }
  return false;
}

}  // namespace

GpuPublisher::GpuPublisher(const std::vector<std::string>& args) {
  const std::string program = BuildDir() + "/bin/gpu-publisher";
  if (access(program.c_str(), X_OK) != 0) {
    ADD_FAILURE() << "the GPU-Z stand-in is not built: " << program;
    return;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "cannot make a pipe";
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  out_ = fds[0];
  if (pid_ < 0) {
    ADD_FAILURE() << "fork failed";
    return;
  }
  // "ready" comes once the section is filled: only then may the program look.
  std::string output;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!ready_ && Clock::now() < deadline) {
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, 50) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) break;  // it ended without getting ready
    output.append(buffer, static_cast<size_t>(n));
    ready_ = output.find("ready\n") != std::string::npos;
  }
  if (!ready_) ADD_FAILURE() << "the GPU-Z stand-in did not get ready: " << output;
}

GpuPublisher::~GpuPublisher() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!WaitForChild(pid_)) {
      ADD_FAILURE() << "the GPU-Z stand-in ignored SIGTERM";
      kill(pid_, SIGKILL);
      WaitForChild(pid_);
    }
  }
  if (out_ >= 0) close(out_);
  // A stand-in that was killed, or never got that far, cannot clean up itself.
  RemoveGpuSection();
}

bool GpuzProcessRunning() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    std::getline(comm, name);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name.find("gpu-z") != std::string::npos) return true;
  }
  return false;
}

bool RemoveGpuSection() { return shm_unlink(kGpuSectionName) == 0; }

}  // namespace e2e
