#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>

#include "platform/error.h"

extern char** environ;

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

void CloseDescriptor(intptr_t* fd) {
  if (*fd >= 0) close(static_cast<int>(*fd));
  *fd = -1;
}

// A pipe end that happens to be 0, 1 or 2 (the parent had closed its own)
// would be overwritten by, or kept close-on-exec through, the dup2 onto the
// child's standard streams: moved above them first.
bool MoveAboveStandardStreams(int* fd) {
  if (*fd > 2) return true;
  const int moved = fcntl(*fd, F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return false;
  close(*fd);
  *fd = moved;
  return true;
}

bool MakePipe(int ends[2]) {
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  if (MoveAboveStandardStreams(&ends[0]) && MoveAboveStandardStreams(&ends[1])) return true;
  const int error_number = errno;
  close(ends[0]);
  close(ends[1]);
  errno = error_number;
  return false;
}

}  // namespace

void ChildProcess::CloseNative() {
  CloseDescriptor(&input_);
  CloseDescriptor(&output_);
}

bool ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args, std::string* error) {
  // Close-on-exec from the start: a child another thread starts meanwhile
  // must not hold our ends, or we would never see end of output.
  int to_child[2];
  int from_child[2];
  if (!MakePipe(to_child)) {
    *error = program + ": " + ErrnoText(errno);
    return false;
  }
  if (!MakePipe(from_child)) {
    *error = program + ": " + ErrnoText(errno);
    close(to_child[0]);
    close(to_child[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
  // The caller may hold signals back (termination requests waited for on a
  // thread); the child starts with none held, or it could not be stopped.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  // Reports a program that cannot be run (missing, not executable) itself.
  const int result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(to_child[0]);
  close(from_child[1]);
  if (result != 0) {
    close(to_child[1]);
    close(from_child[0]);
    *error = program + ": " + ErrnoText(result);
    return false;
  }
  process_ = pid;
  input_ = to_child[1];
  output_ = from_child[0];
  return true;
}

bool ChildProcess::Write(std::string_view text) {
  if (input_ < 0) return false;
  // A write to a pipe whose reader is gone raises SIGPIPE, which would end
  // the whole program. Held back on this thread for the write, and taken
  // away if our write raised it, the program's own handling stays as it is.
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  sigset_t pending;
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
  bool written = true;
  int error_number = 0;
  while (!text.empty()) {
    const ssize_t count = write(static_cast<int>(input_), text.data(), text.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      error_number = errno;
      written = false;
      break;
    }
    text.remove_prefix(static_cast<size_t>(count));
  }
  if (error_number == EPIPE && !was_pending) {
    const timespec zero{0, 0};
    while (sigtimedwait(&pipe_signal, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return written;
}

bool ChildProcess::ReadSome(const Deadline* deadline) {
  for (;;) {
    int wait_ms = -1;
    if (deadline != nullptr) {
      const auto left = std::chrono::duration<double, std::milli>(*deadline - Clock::now()).count();
      // Rounded up: waking a little early would report a timeout too soon.
      wait_ms = left <= 0 ? 0 : static_cast<int>(std::ceil(left));
    }
    pollfd ready{static_cast<int>(output_), POLLIN, 0};
    const int polled = poll(&ready, 1, wait_ms);
    if (polled == 0) return false;
    if (polled < 0) {
      if (errno == EINTR) continue;
      output_ended_ = true;
      return true;
    }
    char buffer[65536];
    const ssize_t count = read(static_cast<int>(output_), buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count > 0) {
      TakeIn(buffer, static_cast<size_t>(count));
    } else {
      output_ended_ = true;
    }
    return true;
  }
}

void ChildProcess::CloseInput() { CloseDescriptor(&input_); }

void ChildProcess::Kill() {
  // Only while not reaped: after that the number may name another process.
  if (process_ != 0 && !reaped_) kill(static_cast<pid_t>(process_), SIGKILL);
}

int ChildProcess::Wait() {
  if (process_ == 0) return -1;
  if (reaped_) return status_;
  int status = 0;
  pid_t result;
  while ((result = waitpid(static_cast<pid_t>(process_), &status, 0)) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  if (result < 0) {
    // Reaped elsewhere (SIGCHLD ignored, say): the status is lost.
    return status_ = -1;
  }
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
  return status_;
}

bool ChildProcess::Running() const {
  if (process_ == 0 || reaped_) return false;
  // Looks without reaping, so that Wait still gets the status.
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(process_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  return info.si_pid == 0;
}

void IgnoreTerminalInterrupt() {
  struct sigaction ignore{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGINT, &ignore, nullptr);
  sigaction(SIGQUIT, &ignore, nullptr);
}

std::FILE* MoveStandardOutputAside(std::string* error) {
  const int answers = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (answers < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    *error = "standard output cannot be moved: " + ErrnoText(errno);
    if (answers >= 0) close(answers);
    return nullptr;
  }
  std::FILE* file = fdopen(answers, "w");
  if (file == nullptr) {
    *error = "standard output cannot be moved: " + ErrnoText(errno);
    close(answers);
  }
  return file;
}

}  // namespace platform
