#include "platform/console.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace platform {
namespace {

// Reads from fd until text contains expected or nothing comes for a while.
std::string ReadUntil(int fd, const std::string& expected, std::string text = {}) {
  char buffer[512];
  pollfd entry{fd, POLLIN, 0};
  while (text.find(expected) == std::string::npos && poll(&entry, 1, 5000) > 0) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// Standard output's state is read once per process, so each body runs in a fresh copy of this program.
constexpr char kChildVariable[] = "KORBINET_CONSOLE_TEST_CHILD";

struct ConsoleChildBody : ::testing::Test {
  void SetUp() override { if (!getenv(kChildVariable)) GTEST_SKIP() << "runs as a child of the terminal tests"; }
};

// A child running one body, its standard streams on a fresh 100-column pseudo-terminal.
struct Child {
  int master = -1, slave = -1;
  pid_t pid = -1;

  explicit Child(const char* body) {
    winsize size{30, 100, 0, 0};
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0 || (pid = fork()) != 0) return;
    setsid(), ioctl(slave, TIOCSCTTY, 0), setenv(kChildVariable, "1", 1);
    for (int fd : {0, 1, 2}) dup2(slave, fd);
    std::string filter = std::string("--gtest_filter=ConsoleChildBody.") + body;
    execl("/proc/self/exe", "korbinet_unit_tests", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ~Child() {
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    close(master), close(slave);
  }
  tcflag_t LocalFlags() const {
    termios mode{};
    return tcgetattr(slave, &mode), mode.c_lflag & (ICANON | ECHO | ISIG);
  }
  int Wait() {
    int status = 0;
    return waitpid(pid, &status, 0), pid = -1, status;
  }
};

TEST_F(ConsoleChildBody, Colours) {
  for (uint16_t attribute : {0x07, 0x0F, 0x1E, 0x4C, 0x80, 0xF0}) SetTextAttribute(attribute);
  ResetTextAttribute();
  for (int rows : {3, 0, -2}) MoveCursorUp(rows);
  printf("buffered ");  // must come out before the colour that follows
  SetTextAttribute(0x0A);
  WriteText(true, "width=" + std::to_string(ConsoleWidth()) + "|");
  _exit(0);
}

TEST_F(ConsoleChildBody, WaitInKeyboardMode) {
  InstallTerminalRestore();
  KeyboardMode outer;
  { KeyboardMode inner; }  // nesting must not restore early
  WriteText(true, "ready");
  for (;;) pause();
}

TEST_F(ConsoleChildBody, ExitInKeyboardMode) {
  InstallTerminalRestore();
  { KeyboardMode scoped; }
  termios mode{};
  tcgetattr(0, &mode);
  WriteText(true, (mode.c_lflag & ICANON) ? "scope-ok " : "scope-bad ");
  new KeyboardMode;  // left on: exit must restore
  exit(3);
}

TEST(TerminalOutput, ColoursAndCursorOnATerminal) {
  Child child("Colours");
  ASSERT_GT(child.pid, 0);
  // After the test framework's own lines, exactly this.
  EXPECT_PRED_FORMAT2(::testing::IsSubstring,
            "\n\x1b[37;49m\x1b[97;49m\x1b[93;44m\x1b[91;41m\x1b[30;100m\x1b[30;107m\x1b[0m\x1b[3A\r"
            "buffered \x1b[92;49mwidth=100|", ReadUntil(child.master, "|"));
}

// Ctrl+C and SIGTERM are covered by the end-to-end runs.
TEST(TerminalMode, RestoredWhenEndedByHangupOrExit) {
  const tcflag_t kCooked = ICANON | ECHO | ISIG;
  Child waiting("WaitInKeyboardMode");
  ASSERT_GT(waiting.pid, 0);
  ASSERT_PRED_FORMAT2(::testing::IsSubstring, "ready", ReadUntil(waiting.master, "ready"));
  EXPECT_EQ(waiting.LocalFlags(), static_cast<tcflag_t>(ISIG));
  kill(waiting.pid, SIGHUP);
  int status = waiting.Wait();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP);
  EXPECT_EQ(waiting.LocalFlags(), kCooked);

  Child exiting("ExitInKeyboardMode");
  ASSERT_GT(exiting.pid, 0);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "scope-ok", ReadUntil(exiting.master, "scope-"));
  status = exiting.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
  EXPECT_EQ(exiting.LocalFlags(), kCooked);
}

}  // namespace
}  // namespace platform
