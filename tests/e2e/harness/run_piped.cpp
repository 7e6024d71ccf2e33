#include "harness/run_piped.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "harness/sandbox.h"

namespace e2e {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

[[noreturn]] void ExecChild(const Sandbox& sandbox, std::string program, const std::vector<std::string>& args, int in, int out, int err) {
  dup2(in, 0), dup2(out, 1), dup2(err, 2);
  if (chdir(sandbox.Dir().c_str()) != 0) _exit(126);
  const unsigned uid = UnprivilegedUid();
  if (sandbox.Unprivileged() && uid != 0 && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) _exit(125);
  if (sandbox.Unprivileged()) {
    // The per-user settings folder (used when the program's folder is not writable) lies in the sandbox.
    setenv("HOME", (sandbox.Dir() + "/home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  std::vector<char*> argv{program.data()};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  signal(SIGPIPE, SIG_DFL);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

ProcessResult RunPiped(const Sandbox& sandbox, const std::vector<std::string>& args,
                       std::optional<std::string> stdin_text, std::chrono::milliseconds timeout, std::string program) {
  // A child that stops reading its input must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  ProcessResult result;
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  if (stdin_text) pipe2(in, O_CLOEXEC);
  else in[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (in[0] < 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return ADD_FAILURE() << "cannot make pipes", result;
  sandbox.HandOver();
  const pid_t pid = fork();
  if (pid == 0) ExecChild(sandbox, program.empty() ? sandbox.ProgramPath() : program, args, in[0], out[1], err[1]);
  for (int* fd : {&in[0], &out[1], &err[1]}) CloseFd(*fd);
  if (pid < 0) return ADD_FAILURE() << "fork failed", result;
  const std::string input = stdin_text.value_or("");
  size_t written = 0;
  if (in[1] >= 0) fcntl(in[1], F_SETFL, O_NONBLOCK);
  if (input.empty()) CloseFd(in[1]);

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  // Read both streams to their end, then wait: it may close them before ending.
  while (!result.timed_out) {
    const bool streams_open = out[0] >= 0 || err[0] >= 0;
    if (!streams_open && waitpid(pid, &status, WNOHANG) == pid) break;
    result.timed_out = std::chrono::steady_clock::now() >= deadline;
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    if (!streams_open) { usleep(5000); continue; }
    if (poll(fds, 3, 100) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      else if (n == 0 || errno != EINTR) CloseFd(i == 0 ? out[0] : err[0]);
    }
    if (in[1] >= 0 && fds[2].revents != 0) {
      const ssize_t n = write(in[1], input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) CloseFd(in[1]);
    }
  }
  for (int* fd : {&in[1], &out[0], &err[0]}) CloseFd(*fd);
  if (result.timed_out) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms\n" << Describe(result);
    return result;
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

std::string Describe(const ProcessResult& result) {
  // Line ends and control bytes shown, so texts that differ only in them can be told apart.
  std::string text = "exit status " + std::to_string(result.exit_status) + ", signal " + std::to_string(result.signal) +
                     (result.timed_out ? ", timed out" : "");
  for (const std::string* stream : {&result.out, &result.err}) {
    text += stream == &result.out ? "\n--- stdout ---\n" : "\n--- stderr ---\n";
    for (unsigned char c : *stream) {
      if (c == '\n') text += "\\n\n";
      else if (c < 32 || c == 127) text += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
      else text += static_cast<char>(c);
    }
  }
  return text + "\n";
}

}  // namespace e2e
