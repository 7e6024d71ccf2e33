// The pause before exit: it must never hang an unattended run, must wait for
// a key on a terminal, and must give the terminal back in its normal mode
// however the program ends.
#include <signal.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <thread>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

const std::string kPrompt = "Press any key to exit...";

TEST(ExitPause, EndOfInputEndsThePauseAtOnce) {
  Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
  // No input at all, an empty pipe, and a pipe that already holds a key.
  for (std::optional<std::string> input : {std::optional<std::string>(), std::optional<std::string>(""),
                                          std::optional<std::string>("k")}) {
    SCOPED_TRACE(input ? "pipe [" + *input + "]" : "/dev/null");
    ProcessResult r = RunPiped(sandbox, {}, input, 20s);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    // Width 0: the prompt is taken back by a bare carriage return.
    EXPECT_EQ(r.err, PipedStartText() + "\n" + kPrompt + "\r");
    EXPECT_EQ(r.out, UsageText());
  }
}

TEST(ExitPause, PauseOffPrintsNoPrompt) {
  Sandbox sandbox({.settings = {{"PauseBeforeExit", "0"}}});
  ProcessResult r = RunPiped(sandbox, {"-log"});
  EXPECT_EQ(r.err.find(kPrompt), std::string::npos) << Describe(r);
}

TEST(ExitPause, TerminalWaitsForAKeyThenBlanksThePrompt) {
  Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
  TerminalSession term(sandbox, {"-log"});
  ASSERT_TRUE(term.WaitForText(kPrompt)) << term.ScreenText();
  term.Pump(300ms);
  EXPECT_TRUE(term.Running()) << "the pause ended without a key";
  term.SendKeys("x");
  ExitResult exit = term.WaitForExit();
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 255);
  EXPECT_EQ(term.ScreenText().find(kPrompt), std::string::npos) << term.ScreenText();
  EXPECT_NE(term.ScreenText().find("No script file specified"), std::string::npos) << term.ScreenText();
  // The prompt row is overwritten by width - 1 spaces; the cursor stays there.
  EXPECT_EQ(term.CursorPosition().col, 99);
}

TEST(ExitPause, ArrowKeyAlsoEndsThePause) {
  Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
  TerminalSession term(sandbox, {"-log"});
  ASSERT_TRUE(term.WaitForText(kPrompt)) << term.ScreenText();
  term.SendKeys("\x1b[A");
  ExitResult exit = term.WaitForExit();
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 255);
}

bool CanonicalWithEcho(int fd) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) return false;
  return (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
}

// Ctrl+C typed at the terminal, and SIGTERM from outside, while the pause has
// the terminal in key-by-key mode.
TEST(ExitPause, InterruptedPauseRestoresTheTerminalMode) {
  for (bool by_key : {true, false}) {
    SCOPED_TRACE(by_key ? "Ctrl+C" : "SIGTERM");
    Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
    TerminalSession term(sandbox, {"-log"});
    ASSERT_TRUE(term.WaitForText(kPrompt)) << term.ScreenText();
    EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the pause reads keys one by one without echo";
    if (by_key) {
      term.SendKeys("\x03");
    } else {
      kill(term.Pid(), SIGTERM);
    }
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  }
}

}  // namespace
}  // namespace e2e
