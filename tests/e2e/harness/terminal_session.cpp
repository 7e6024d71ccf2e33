#include "harness/terminal_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vterm.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "harness/sandbox.h"

namespace e2e {

// Answers the program's terminal queries (cursor reports and the like).
static void WriteBackToProgram(const char* bytes, size_t size, void* user) {
  for (ssize_t n; size > 0 && (n = write(*static_cast<int*>(user), bytes, size)) > 0; bytes += n, size -= n) {}
}

TerminalSession::TerminalSession(const Sandbox& sandbox, const std::vector<std::string>& args, TerminalSize size,
                                 std::string program)
    : size_(size) {
  vt_ = vterm_new(size.rows, size.cols);
  vterm_set_utf8(vt_, 1);
  screen_ = vterm_obtain_screen(vt_);
  vterm_screen_reset(screen_, 1);
  vterm_output_set_callback(vt_, WriteBackToProgram, &master_);

  winsize ws{static_cast<unsigned short>(size.rows), static_cast<unsigned short>(size.cols), 0, 0};
  if (program.empty()) program = sandbox.ProgramPath();
  std::vector<char*> argv{program.data()};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_ = forkpty(&master_, nullptr, nullptr, &ws);
  if (pid_ == 0) {
    if (chdir(sandbox.Dir().c_str()) != 0) _exit(126);
    setenv("TERM", "xterm-256color", 1);
    signal(SIGPIPE, SIG_DFL);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid_ < 0) ADD_FAILURE() << "forkpty failed: " << std::strerror(errno);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
}

TerminalSession::~TerminalSession() {
  if (Running()) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
  if (master_ >= 0) close(master_);
  if (vt_ != nullptr) vterm_free(vt_);
}

void TerminalSession::Pump(std::chrono::milliseconds wait) {
  if (master_ < 0) return;
  pollfd fd{master_, POLLIN, 0};
  char buffer[4096];
  // n <= 0 (EIO): the program has closed its side of the terminal.
  for (int timeout = static_cast<int>(wait.count()); poll(&fd, 1, timeout) > 0; timeout = 0) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    raw_.append(buffer, n);
    vterm_input_write(vt_, buffer, n);
  }
}

void TerminalSession::SendKeys(const std::string& bytes) { WriteBackToProgram(bytes.data(), bytes.size(), &master_); }

bool TerminalSession::WaitForText(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (bool running = true; running && std::chrono::steady_clock::now() < deadline;) {
    running = Running();
    // Whatever it wrote before ending is still in the terminal.
    Pump(std::chrono::milliseconds(running ? 20 : 50));
    if (ScreenText().find(text) != std::string::npos) return true;
  }
  return false;
}

std::string TerminalSession::Row(int row) {
  std::string text;
  for (int col = 0; col < size_.cols; ++col) {
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &cell);
    // The program writes ASCII only; anything else shows as '?'.
    const uint32_t c = cell.chars[0];
    text += c == 0 ? ' ' : c < 128 ? static_cast<char>(c) : '?';
  }
  return text.erase(text.find_last_not_of(' ') + 1);
}

std::string TerminalSession::ScreenText() {
  std::string text = Row(0);
  for (int row = 1; row < size_.rows; ++row) text += '\n' + Row(row);
  return text;
}

int TerminalSession::CellColor(int row, int col) {
  VTermScreenCell cell{};
  vterm_screen_get_cell(screen_, VTermPos{row, col}, &cell);
  if (VTERM_COLOR_IS_DEFAULT_FG(&cell.fg)) return kDefaultColor;
  return VTERM_COLOR_IS_INDEXED(&cell.fg) ? cell.fg.indexed.idx : kDefaultColor;
}

int TerminalSession::CursorColumn() {
  VTermPos pos{};
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
  return pos.col;
}

bool TerminalSession::Running() {
  int status = 0;
  if (pid_ <= 0 || exit_) return false;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exit_ = ExitResult{true, WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
  return false;
}

ExitResult TerminalSession::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // Keep draining the terminal so the program never blocks on a full buffer.
  while (Running()) {
    Pump(std::chrono::milliseconds(20));
    if (std::chrono::steady_clock::now() >= deadline) return ExitResult{};
  }
  Pump(std::chrono::milliseconds(20));
  return exit_.value_or(ExitResult{});
}

int FindRow(TerminalSession& session, const std::string& text) {
  session.Pump();
  for (int row = 0; row < session.Rows(); ++row) {
    if (session.Row(row).find(text) != std::string::npos) return row;
  }
  return -1;
}

bool CanonicalWithEcho(int fd) {
  termios mode{};
  return tcgetattr(fd, &mode) == 0 && (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
}

}  // namespace e2e
