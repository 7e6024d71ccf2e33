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

ProcessResult RunPiped(const Sandbox& sandbox, const std::vector<std::string>& args,
                       std::optional<std::string> stdin_text, std::chrono::milliseconds timeout, std::string program,
                       const std::vector<SignalCue>& cues) {
  ProcessResult result;
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  // The input is a few keys: the pipe's buffer takes them whole before the child starts.
  const std::string input = stdin_text.value_or("");
  if (!stdin_text) in[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
  else if (pipe2(in, O_CLOEXEC) != 0 || write(in[1], input.data(), input.size()) != ssize_t(input.size()))
    in[0] = -1;
  if (in[1] >= 0) close(in[1]);
  if (in[0] < 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return ADD_FAILURE() << "cannot make pipes", result;
  sandbox.HandOver();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
    if (chdir(sandbox.Dir().c_str()) != 0) _exit(126);
    if (sandbox.Unprivileged()) {
      const unsigned uid = UnprivilegedUid();
      if (uid != 0 && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) _exit(125);
      // The per-user settings folder (used when the program's folder is not writable) lies in the sandbox.
      setenv("HOME", (sandbox.Dir() + "/home").c_str(), 1);
      unsetenv("XDG_CONFIG_HOME");
    }
    if (program.empty()) program = sandbox.ProgramPath();
    std::vector<char*> argv{program.data()};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    signal(SIGPIPE, SIG_DFL);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  for (int fd : {in[0], out[1], err[1]}) close(fd);
  if (pid < 0) return ADD_FAILURE() << "fork failed", result;

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int status = 0;
  size_t next_cue = 0, cue_from = 0;
  // Read both streams to their end, then wait: it may close them before ending.
  for (bool open = true;; open = fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (!open && waitpid(pid, &status, WNOHANG) == pid) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      for (int fd : {fds[0].fd, fds[1].fd}) if (fd >= 0) close(fd);
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms\n" << Describe(result);
      return result;
    }
    if (poll(fds, 2, open ? 100 : 5) <= 0) continue;  // nothing yet, or interrupted
    for (int i = 0; i < 2; ++i) {
      char buffer[4096];
      const ssize_t n = fds[i].fd >= 0 && fds[i].revents != 0 ? read(fds[i].fd, buffer, sizeof buffer) : -2;
      if (n > 0) (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      else if (n == 0 || (n == -1 && errno != EINTR)) close(fds[i].fd), fds[i].fd = -1;
    }
    for (size_t at; next_cue < cues.size() && (at = result.err.find(cues[next_cue].after, cue_from)) != std::string::npos;) {
      kill(pid, cues[next_cue].signal);
      cue_from = at + cues[next_cue++].after.size();
    }
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

std::string Describe(const ProcessResult& result) {
  std::string text = "exit status " + std::to_string(result.exit_status) + ", signal " + std::to_string(result.signal);
  for (const auto& [name, stream] : {std::pair{"stdout", &result.out}, {"stderr", &result.err}}) {
    text += std::string("\n--- ") + name + " ---\n" + ::testing::PrintToString(*stream);
  }
  return text + "\n";
}

}  // namespace e2e
