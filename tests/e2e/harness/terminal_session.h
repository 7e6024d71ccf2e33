// Runs the program on a pseudo-terminal with a libvterm screen model: text, colours and cursor as a user sees them.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace e2e {

class Sandbox;

struct TerminalSize { int rows = 30, cols = 100; };
struct ExitResult { bool ended = false; int exit_status = -1, signal = 0; };  // ended false: still running at the timeout

constexpr int kDefaultColor = -1;

class TerminalSession {
 public:
  // `program` runs in the program's place, in its folder.
  TerminalSession(const Sandbox& sandbox, const std::vector<std::string>& args, TerminalSize size = {},
                  std::string program = "");
  ~TerminalSession();  // kills the child if it still runs
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  pid_t Pid() const { return pid_; }
  int MasterFd() const { return master_; }  // the pseudo-terminal's master side: its termios are the terminal's

  void SendKeys(const std::string& bytes);
  // Polls the screen until `text` is on it; false at the timeout.
  bool WaitForText(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  void Pump(std::chrono::milliseconds wait = std::chrono::milliseconds(0));  // reads what was written into the screen

  std::string ScreenText();  // rows joined by "\n", trailing spaces removed
  std::string Row(int row);
  int Rows() const { return size_.rows; }
  int CellColor(int row, int col);  // the foreground's 16-colour palette index, or kDefaultColor
  int CursorColumn();
  const std::string& RawOutput() const { return raw_; }  // every byte written, escape sequences included

  ExitResult WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  bool Running();

 private:
  pid_t pid_ = -1;
  int master_ = -1;
  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  TerminalSize size_;
  std::string raw_;
  std::optional<ExitResult> exit_;
};

// Finds the first row holding `text`; -1 when none does.
int FindRow(TerminalSession& session, const std::string& text);

// True when the terminal is in its normal line mode with echo.
bool CanonicalWithEcho(int fd);

}  // namespace e2e
