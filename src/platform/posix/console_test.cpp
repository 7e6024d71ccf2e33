#include "platform/console.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace platform {
namespace {

// Reads from fd until text contains expected or nothing comes for a while.
std::string ReadUntil(int fd, const std::string& expected, std::string text = {}) {
  char buffer[512];
  while (text.find(expected) == std::string::npos) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 5000) <= 0) break;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// Standard output's state is read once per process, so a body that checks it
// runs in a fresh copy of this program, which marks where its own output
// starts (the test framework prints first).
constexpr char kChildVariable[] = "KORBINET_CONSOLE_TEST_CHILD";
constexpr char kBodyStart[] = "BODY>";

bool EnterChildBody() {
  if (getenv(kChildVariable) == nullptr) return false;
  WriteText(true, kBodyStart);
  return true;
}

[[noreturn]] void ExecBody(const char* body, int output) {
  dup2(output, 1);
  setenv(kChildVariable, "1", 1);
  std::string filter = std::string("--gtest_filter=ConsoleChildBody.") + body;
  execl("/proc/self/exe", "korbinet_unit_tests", filter.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

std::string BodyOutput(const std::string& text) {
  size_t start = text.find(kBodyStart);
  return start == std::string::npos ? text : text.substr(start + sizeof kBodyStart - 1);
}

// A child whose standard streams are a fresh pseudo-terminal of 100 columns.
struct TerminalChild {
  int master = -1, slave = -1;
  pid_t pid = -1;

  explicit TerminalChild(const char* body) : TerminalChild([body] { ExecBody(body, 1); }) {}
  explicit TerminalChild(const std::function<void()>& body) {
    winsize size{30, 100, 0, 0};
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return;
    pid = fork();
    if (pid == 0) {
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
      for (int fd : {0, 1, 2}) dup2(slave, fd);
      close(master);
      body();
      _exit(0);
    }
  }
  ~TerminalChild() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    close(master);
    close(slave);
  }
  tcflag_t LocalFlags() const {
    termios mode{};
    tcgetattr(slave, &mode);
    return mode.c_lflag;
  }
  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
};

TEST(ConsoleChildBody, Colours) {
  if (!EnterChildBody()) GTEST_SKIP() << "runs as a child of the terminal tests";
  for (uint16_t attribute : {0x07, 0x0F, 0x1E, 0x4C, 0x80, 0xF0}) SetTextAttribute(attribute);
  ResetTextAttribute();
  for (int rows : {3, 0, -2}) MoveCursorUp(rows);
  printf("buffered ");  // must come out before the colour that follows
  SetTextAttribute(0x0A);
  WriteText(true, "width=" + std::to_string(ConsoleWidth()) + "|");
  _exit(0);
}

TEST(ConsoleChildBody, Plain) {
  if (!EnterChildBody()) GTEST_SKIP() << "runs as a child of the terminal tests";
  SetTextAttribute(0x1E);
  MoveCursorUp(2);
  WriteText(true, "width=" + std::to_string(ConsoleWidth()));
  ResetTextAttribute();
  RestoreTerminal();
  _exit(StdoutIsTerminal() ? 1 : 0);
}

TEST(ConsoleChildBody, WaitInKeyboardMode) {
  if (!EnterChildBody()) GTEST_SKIP() << "runs as a child of the terminal tests";
  InstallTerminalRestore();
  KeyboardMode outer;
  {
    KeyboardMode inner;  // nesting must not restore early
  }
  SetTextAttribute(0x0C);
  WriteText(true, "ready");
  for (;;) pause();
}

TEST(TerminalOutput, ColoursAndCursorOnATerminal) {
  TerminalChild child("Colours");
  ASSERT_GT(child.pid, 0);
  std::string text = BodyOutput(ReadUntil(child.master, "|"));
  EXPECT_EQ(text,
            "\x1b[37;49m\x1b[97;49m\x1b[93;44m\x1b[91;41m\x1b[30;100m\x1b[30;107m\x1b[0m\x1b[3A\r"
            "buffered \x1b[92;49mwidth=100|");
}

TEST(TerminalOutput, NothingButTextWhenNotATerminal) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  if (pid == 0) ExecBody("Plain", fds[1]);
  close(fds[1]);
  std::string text = BodyOutput(ReadUntil(fds[0], "(to the end)"));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(text, "width=0");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(TerminalMode, RestoredWhenEndedBySignal) {
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    TerminalChild child("WaitInKeyboardMode");
    ASSERT_GT(child.pid, 0);
    std::string text = ReadUntil(child.master, "ready");
    ASSERT_NE(text.find("ready"), std::string::npos);
    tcflag_t raw = child.LocalFlags();
    EXPECT_EQ(raw & (ICANON | ECHO), 0u);
    EXPECT_NE(raw & ISIG, 0u);

    kill(child.pid, signal_number);
    int status = child.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << signal_number;
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_EQ(child.LocalFlags() & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO)) << signal_number;
    text = BodyOutput(ReadUntil(child.master, "ready\x1b[0m", text));
    EXPECT_EQ(text, "\x1b[91;49mready\x1b[0m") << signal_number;
  }
}

TEST(TerminalMode, RestoredAtExitAndByScope) {
  TerminalChild child([] {
    InstallTerminalRestore();
    {
      KeyboardMode scoped;
    }
    struct termios mode{};
    tcgetattr(0, &mode);
    WriteText(true, (mode.c_lflag & ICANON) ? "scope-ok " : "scope-bad ");
    static KeyboardMode* leaked = new KeyboardMode;  // left on: exit must restore
    (void)leaked;
    WriteText(true, "leaving");
    exit(3);
  });
  ASSERT_GT(child.pid, 0);
  std::string text = ReadUntil(child.master, "leaving");
  int status = child.Wait();
  EXPECT_NE(text.find("scope-ok"), std::string::npos) << text;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
  EXPECT_EQ(child.LocalFlags() & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

}  // namespace
}  // namespace platform
