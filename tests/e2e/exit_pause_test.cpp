// The pause before exit: never hangs an unattended run, waits for a key on a
// terminal, and gives the terminal back in its normal mode however it ends.
#include <signal.h>

#include "e2e_common.h"

namespace e2e {
namespace {

const std::string kPrompt = "Press any key to exit...";
const SandboxOptions kPausing{.settings = {{"PauseBeforeExit", "1"}}};

TEST(ExitPause, EndOfInputEndsThePauseAtOnce) {
  Sandbox sandbox(kPausing);
  // No input at all, an empty pipe, and a pipe that already holds a key.
  for (std::optional<std::string> input : {std::optional<std::string>(), std::optional<std::string>(""),
                                          std::optional<std::string>("k")}) {
    SCOPED_TRACE(input ? "pipe [" + *input + "]" : "/dev/null");
    ProcessResult r = RunPiped(sandbox, {}, input, 20s);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    // Width 0: the prompt is taken back by a bare carriage return.
    EXPECT_EQ(r.err, PipedStartText() + "\n" + kPrompt + "\r");
    EXPECT_EQ(r.out, UsageText());
  }
}

TEST(ExitPause, TerminalWaitsForAKeyThenBlanksThePrompt) {
  // An arrow key is an escape sequence, an ordinary key here.
  for (const std::string key : {"x", "\x1b[A"}) {
    SCOPED_TRACE(key.size());
    Sandbox sandbox(kPausing);
    TerminalSession term(sandbox, {"-log"});
    ASSERT_TRUE(term.WaitForText(kPrompt)) << term.ScreenText();
    term.Pump(300ms);
    EXPECT_TRUE(term.Running()) << "the pause ended without a key";
    term.SendKeys(key);
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.exit_status, 255);
    EXPECT_EQ(term.ScreenText().find(kPrompt), std::string::npos) << term.ScreenText();
    EXPECT_NE(term.ScreenText().find("No script file specified"), std::string::npos) << term.ScreenText();
    // The prompt row is overwritten by width - 1 spaces; the cursor stays there.
    EXPECT_EQ(term.CursorPosition().col, 99);
  }
}

TEST(ExitPause, InterruptedPauseRestoresTheTerminalMode) {
  for (bool by_key : {true, false}) {
    SCOPED_TRACE(by_key ? "Ctrl+C" : "SIGTERM");
    Sandbox sandbox(kPausing);
    TerminalSession term(sandbox, {"-log"});
    ASSERT_TRUE(term.WaitForText(kPrompt)) << term.ScreenText();
    EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the pause reads keys one by one without echo";
    if (by_key) term.SendKeys("\x03");
    else kill(term.Pid(), SIGTERM);
    ASSERT_TRUE(term.WaitForExit().ended);
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  }
}

}  // namespace
}  // namespace e2e
