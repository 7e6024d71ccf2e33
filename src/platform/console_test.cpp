#include "platform/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/testing/child_test.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <pty.h>
#include <termios.h>
#endif

namespace platform {
namespace {

#ifdef _WIN32
// On the console the program started on (tests/windows gives one); skipped without.
#define SKIP_WITHOUT_CONSOLE() \
  if (!StdoutIsTerminal() && !std::getenv("KORBINET_ON_CONSOLE")) GTEST_SKIP() << "needs a console"
CONSOLE_SCREEN_BUFFER_INFO Screen() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  return GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info), info;
}
unsigned InputMode() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode), mode;
}
#else
#define SKIP_WITHOUT_CONSOLE()
unsigned InputMode(int fd = 0) {
  termios mode{};
  return tcgetattr(fd, &mode), mode.c_lflag & (ICANON | ECHO | ISIG);
}

// Reads from fd until text contains expected or nothing comes for a while.
std::string ReadUntil(int fd, const std::string& expected, std::string text = {}) {
  char buffer[512];
  pollfd entry{fd, POLLIN, 0};
  for (ssize_t n = 1; n > 0 && text.find(expected) == std::string::npos && poll(&entry, 1, 5000) > 0;)
    if ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

// A fresh 100-column pseudo-terminal, standard output of a child.
struct Terminal {
  int master = -1, slave = -1;
  Terminal() { winsize size{30, 100, 0, 0}; openpty(&master, &slave, nullptr, nullptr, &size); }
  ~Terminal() { close(master), close(slave); }
};

TEST(ConsoleChild, Colours) {
  SKIP_UNLESS_CHILD();
  for (uint16_t attribute : {0x07, 0x0F, 0x1E, 0x4C, 0x80, 0xF0}) SetTextAttribute(attribute);
  ResetTextAttribute();
  for (int rows : {3, 0, -2}) MoveCursorUp(rows);
  printf("buffered ");  // must come out before the colour that follows
  SetTextAttribute(0x0A);
  WriteText(true, "width=" + std::to_string(ConsoleWidth()) + "|");
  _exit(0);
}
#endif

// Nested modes restore the terminal only at the outermost end, and a second
// keyboard's mode changes nothing; then the process waits (POSIX: to be hung
// up) or exits with status 3, in keyboard mode.
TEST(ConsoleChild, KeyboardMode) {
  SKIP_UNLESS_CHILD();
  InstallTerminalRestore();
  const unsigned cooked = InputMode();
  Keyboard keyboard;
  {
    Keyboard::Mode outer(keyboard);
    const unsigned key_by_key = InputMode();
    { Keyboard::Mode inner(keyboard); }
    {
      Keyboard other;
      Keyboard::Mode stray(other);  // must neither save the changed mode nor restore it
    }
    if (key_by_key == cooked || InputMode() != key_by_key) exit(4);
  }
  if (InputMode() != cooked) exit(5);
  Keyboard::Mode left_on(keyboard);  // never ended: exit and the signal leave it alive
  WriteText(true, "ready");
#ifndef _WIN32
  while (std::string(ChildArgument()) == "wait") pause();
#endif
  exit(3);
}

TEST(TerminalOutput, ColoursAndCursorOnATerminal) {
  SKIP_WITHOUT_CONSOLE();
#ifdef _WIN32
  const WORD original = Screen().wAttributes;
  std::vector<WORD> expected{0x07, 0x0F, 0x1E, 0x4C, 0x80, 0xF0}, shown;
  for (WORD attribute : expected) SetTextAttribute(attribute), shown.push_back(Screen().wAttributes);
  ResetTextAttribute(), shown.push_back(Screen().wAttributes), expected.push_back(original);
  EXPECT_EQ(shown, expected);
  WriteText(true, "\n\n\n\n  ");
  const SHORT row = Screen().dwCursorPosition.Y;
  for (int rows : {3, 0, -2}) MoveCursorUp(rows);
  printf("buffered ");  // must come out before the colour that follows
  SetTextAttribute(0x0A);
  EXPECT_EQ(Screen().dwCursorPosition.X, 9);
  EXPECT_EQ(Screen().dwCursorPosition.Y, row - 3);
  ResetTextAttribute();
  EXPECT_EQ(ConsoleWidth(), 100);
#else
  Terminal terminal;
  ChildTest child("ConsoleChild.Colours", "", terminal.slave);
  // After the test framework's own lines, exactly this.
  EXPECT_PRED_FORMAT2(::testing::IsSubstring,
            "\n\x1b[37;49m\x1b[97;49m\x1b[93;44m\x1b[91;41m\x1b[30;100m\x1b[30;107m\x1b[0m\x1b[3A\r"
            "buffered \x1b[92;49mwidth=100|", ReadUntil(terminal.master, "|"));
#endif
}

// Ctrl+C and SIGTERM are covered by the end-to-end runs.
TEST(TerminalMode, RestoredWhenEndedByHangupOrExit) {
  SKIP_WITHOUT_CONSOLE();
#ifdef _WIN32
  const unsigned cooked = InputMode();
  EXPECT_EQ(ChildTest("ConsoleChild.KeyboardMode", "exit").Wait(), 3);
  EXPECT_EQ(InputMode(), cooked);
#else
  for (const char* end : {"wait", "exit"}) {
    Terminal terminal;
    ChildTest child("ConsoleChild.KeyboardMode", end, terminal.slave);
    ASSERT_PRED_FORMAT2(::testing::IsSubstring, "ready", ReadUntil(terminal.master, "ready"));
    if (end == std::string("wait")) {
      EXPECT_EQ(InputMode(terminal.slave), static_cast<unsigned>(ISIG));
      kill(child.pid, SIGHUP);
    }
    EXPECT_EQ(child.Wait(), end == std::string("wait") ? 128 + SIGHUP : 3);
    EXPECT_EQ(InputMode(terminal.slave), static_cast<unsigned>(ICANON | ECHO | ISIG));
  }
#endif
}

}  // namespace
}  // namespace platform
