#include "harness/run_piped.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "harness/sandbox.h"

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
  int read_end = -1;
  int write_end = -1;
};

Pipe MakePipe() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {};
  return {fds[0], fds[1]};
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

[[noreturn]] void ExecChild(const Sandbox& sandbox, const std::vector<std::string>& args,
                            int in_fd, int out_fd, int err_fd) {
  dup2(in_fd, 0);
  dup2(out_fd, 1);
  dup2(err_fd, 2);
  if (chdir(sandbox.Dir().c_str()) != 0) _exit(126);
  std::string program = sandbox.ProgramPath();
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  signal(SIGPIPE, SIG_DFL);
  execv(program.c_str(), argv.data());
  _exit(127);
}

void DecodeStatus(int status, ProcessResult& result) {
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

}  // namespace

ProcessResult RunPiped(const Sandbox& sandbox, const std::vector<std::string>& args,
                       std::optional<std::string> stdin_text, std::chrono::milliseconds timeout) {
  // A child that stops reading its input must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  ProcessResult result;
  Pipe in = stdin_text ? MakePipe() : Pipe{open("/dev/null", O_RDONLY | O_CLOEXEC), -1};
  Pipe out = MakePipe();
  Pipe err = MakePipe();
  if (in.read_end < 0 || out.read_end < 0 || err.read_end < 0) {
    ADD_FAILURE() << "cannot make pipes";
    return result;
  }
  pid_t pid = fork();
  if (pid == 0) ExecChild(sandbox, args, in.read_end, out.write_end, err.write_end);
  CloseFd(in.read_end);
  CloseFd(out.write_end);
  CloseFd(err.write_end);
  if (pid < 0) {
    ADD_FAILURE() << "fork failed";
    return result;
  }

  std::string pending_input = stdin_text.value_or("");
  size_t written = 0;
  if (in.write_end >= 0) fcntl(in.write_end, F_SETFL, O_NONBLOCK);
  if (in.write_end >= 0 && pending_input.empty()) CloseFd(in.write_end);

  const auto deadline = Clock::now() + timeout;
  while (out.read_end >= 0 || err.read_end >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      result.timed_out = true;
      break;
    }
    pollfd fds[3] = {{out.read_end, POLLIN, 0}, {err.read_end, POLLIN, 0}, {in.write_end, POLLOUT, 0}};
    int ready = poll(fds, 3, static_cast<int>(std::min<long long>(left.count(), 100)));
    if (ready < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        CloseFd(i == 0 ? out.read_end : err.read_end);
      }
    }
    if (in.write_end >= 0 && fds[2].revents != 0) {
      ssize_t n = write(in.write_end, pending_input.data() + written, pending_input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == pending_input.size()) CloseFd(in.write_end);
    }
  }
  CloseFd(in.write_end);
  CloseFd(out.read_end);
  CloseFd(err.read_end);

  int status = 0;
  if (result.timed_out) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms\n" << Describe(result);
    return result;
  }
  // Both streams are closed; the process is ending or has detached them.
  while (true) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (Clock::now() >= deadline) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms\n" << Describe(result);
      return result;
    }
    usleep(5000);
  }
  DecodeStatus(status, result);
  return result;
}

namespace {

std::string Escaped(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c == '\n') shown += "\\n\n";
    else if (c == '\r') shown += "\\r";
    else if (c == 27) shown += "\\e";
    else if (c < 32 || c == 127) shown += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    else shown += static_cast<char>(c);
  }
  return shown;
}

}  // namespace

std::string Describe(const ProcessResult& result) {
  std::string text = "exit status " + std::to_string(result.exit_status);
  if (result.signal != 0) text += ", signal " + std::to_string(result.signal);
  if (result.timed_out) text += ", timed out";
  text += "\n--- stdout ---\n" + Escaped(result.out) + "\n--- stderr ---\n" + Escaped(result.err) + "\n";
  return text;
}

}  // namespace e2e
