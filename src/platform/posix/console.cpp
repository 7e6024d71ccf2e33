#include "platform/console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/key_reader.h"

namespace platform {

namespace {

// Handler state: the terminal's mode and colours as the signal handlers and
// the exit hook must restore them, hence plain flags and a plain struct.
termios saved_mode;
volatile sig_atomic_t mode_changed = 0;
volatile sig_atomic_t colours_changed = 0;

// Safe in a signal handler.
void RestoreSavedMode() {
  if (mode_changed) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
    mode_changed = 0;
  }
}

void WriteAllTo(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Control output must land after whatever text the stdio stream still holds.
void WriteControl(const std::string& sequence) {
  std::fflush(stdout);
  WriteAllTo(STDOUT_FILENO, sequence.data(), sequence.size());
}

int AnsiColour(unsigned windows_colour) {
  // Windows has blue in bit 0 and red in bit 2; ANSI the other way round.
  return ((windows_colour & 4) ? 1 : 0) | (windows_colour & 2) | ((windows_colour & 1) ? 4 : 0);
}

void RestoreAndReraise(int signal_number) {
  // SA_RESETHAND has put the default action back, and SA_NODEFER lets the
  // raised signal end the process at once, so the exit status shows it.
  RestoreTerminal();
  raise(signal_number);
}

void RestoreAtExit() { RestoreTerminal(); }

}  // namespace

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

int ConsoleWidth() {
  if (!StdoutIsTerminal()) return 0;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return static_cast<int>(size.ws_col);
}

void WriteText(bool to_stdout, std::string_view text) {
  std::fflush(to_stdout ? stdout : stderr);
  WriteAllTo(to_stdout ? STDOUT_FILENO : STDERR_FILENO, text.data(), text.size());
}

void SetTextAttribute(uint16_t attribute) {
  if (!StdoutIsTerminal()) return;
  unsigned foreground = attribute & 0x0F;
  unsigned background = (attribute >> 4) & 0x0F;
  int fg = ((foreground & 8) ? 90 : 30) + AnsiColour(foreground);
  int bg = background == 0 ? 49 : ((background & 8) ? 100 : 40) + AnsiColour(background);
  colours_changed = 1;
  WriteControl("\x1b[" + std::to_string(fg) + ";" + std::to_string(bg) + "m");
}

void ResetTextAttribute() {
  if (!StdoutIsTerminal()) return;
  WriteControl("\x1b[0m");
  colours_changed = 0;
}

void MoveCursorUp(int rows) {
  if (rows <= 0 || !StdoutIsTerminal()) return;
  WriteControl("\x1b[" + std::to_string(rows) + "A\r");
}

Keyboard::Keyboard() = default;
Keyboard::~Keyboard() = default;

bool Keyboard::KeyHit() { return posix::KeyWaitingOn(STDIN_FILENO); }

int Keyboard::ReadKey() { return posix::ReadKeyFrom(STDIN_FILENO); }

bool Keyboard::SetKeyByKeyMode() {
  // A mode already changed is another holder's to restore.
  if (mode_changed || isatty(STDIN_FILENO) != 1) return false;
  termios mode;
  if (tcgetattr(STDIN_FILENO, &mode) != 0) return false;
  saved_mode = mode;
  mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  mode.c_lflag |= ISIG;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  // Set before changing, so a signal arriving in between still restores.
  mode_changed = 1;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &mode) != 0) {
    mode_changed = 0;
    return false;
  }
  return true;
}

void Keyboard::RestoreKeyMode() { RestoreSavedMode(); }

void InstallTerminalRestore() {
  // Handler state: the handlers are the process's, installed once for it.
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction previous;
    if (sigaction(signal_number, nullptr, &previous) != 0) continue;
    // A signal the caller chose to ignore (nohup) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    struct sigaction action{};
    action.sa_handler = RestoreAndReraise;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(signal_number, &action, nullptr);
  }
  std::atexit(RestoreAtExit);
}

void RestoreTerminal() {
  int saved_errno = errno;
  RestoreSavedMode();
  if (colours_changed) {
    static const char kReset[] = "\x1b[0m";
    WriteAllTo(STDOUT_FILENO, kReset, sizeof kReset - 1);
    colours_changed = 0;
  }
  errno = saved_errno;
}

}  // namespace platform
