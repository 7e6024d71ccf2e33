// On a terminal: colours, and the modes the program sets and gives back however it ends.
#include <signal.h>

#include "e2e_common.h"

namespace e2e {
namespace {

// Palette indices: bit order (1 red, 4 blue) is the reverse of the console attribute's.
constexpr int kRed = 9, kGreen = 10, kCyan = 14, kWhite = 15, kNone = kDefaultColor;
const std::string kPausePrompt = "Press any key to exit...";

// True when nothing but a reset follows the last colour the program chose.
bool ColoursResetAtEnd(const std::string& raw) {
  static const std::regex sgr("\x1b\\[([0-9;]*)m");
  std::string last;
  for (auto it = std::sregex_iterator(raw.begin(), raw.end(), sgr); it != std::sregex_iterator(); ++it) last = (*it)[1];
  return last.empty() || last == "0";
}

TEST(TerminalOutput, StartLinesAndErrorsAreColouredAndTheStatusLineIsGone) {
  // ConUseSTDOUT moves text, not colour: standard output is still the terminal.
  for (const auto& [setting, value, colored] : {std::tuple{"ConUseSTDOUT", "1", true}, {"UseColor", "0", false}}) {
    SCOPED_TRACE(setting);
    Sandbox sandbox({.settings = {{setting, value}}});
    TerminalSession term(sandbox, {"-priority=0"});
    ASSERT_EQ(term.WaitForExit().exit_status, 255);
    EXPECT_TRUE(term.ScreenText().starts_with(
        "\nKorbinet 2.1.6 (x64)\nReference Frame Server 1.0.0 (x86_64) (1.0.0.0)\n\n"
        "Invalid parameter value: \"-priority=0\"\nValue must be between 1 and 3")) << term.ScreenText();
    for (const auto& [row, col, color] : {std::tuple{1, 0, kRed}, {2, 0, kGreen}, {2, 38, kWhite}, {4, 0, kCyan}, {5, 0, kCyan}}) {
      EXPECT_EQ(term.CellColor(row, col), colored ? color : kNone);
    }
  }
}

// The pause reads keys one by one without echo, an arrow key (an escape sequence) being an ordinary
// key; however the pause ends, the terminal's mode is given back.
TEST(TerminalModes, ExitPauseWaitsForAKeyAndRestoresTheMode) {
  for (const auto& [ending, keys] : {std::pair{"arrow key", "\x1b[A"}, {"Ctrl+C", "\x03"}, {"SIGTERM", ""}}) {
    SCOPED_TRACE(ending);
    Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
    TerminalSession term(sandbox, {"-log"});
    ASSERT_TRUE(term.WaitForText(kPausePrompt)) << term.ScreenText();
    EXPECT_FALSE(CanonicalWithEcho(term.MasterFd()));
    term.Pump(300ms);
    EXPECT_TRUE(term.Running()) << "the pause ended without a key";
    if (*keys == '\0') kill(term.Pid(), SIGTERM);
    else term.SendKeys(keys);
    const ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
    if (std::string(ending) != "arrow key") continue;
    EXPECT_EQ(exit.exit_status, 255);
    // The prompt row is overwritten by width - 1 spaces; the cursor stays there.
    EXPECT_EQ(term.ScreenText().find(kPausePrompt), std::string::npos) << term.ScreenText();
    EXPECT_EQ(term.CursorColumn(), 99);
  }
}

// However a run ends badly, the terminal is given back in its normal mode. The library's own worker
// threads are outside every guard: a fault there cannot be survived and ends the process by its signal.
TEST(BadEndings, FaultsRestoreTheTerminal) {
  struct Case { std::string script, arg; bool in_loop; int signal; };
  for (const auto& [script, arg, in_loop, signal] : {
           Case{"BlankClip(length=10, width=64, height=48)\nFault(-1, \"stack\")\n", "-info", false, 0},
           {"BlankClip(length=100, width=64, height=48)\nFault(3, \"access\")\nPrefetch(2)\n", "-log", false, SIGSEGV},
           {"BlankClip(length=1000, width=64, height=48)\nNap(20)\nFault(900, \"access\")\nPrefetch(2)\n", "-log", true,
            SIGSEGV}}) {
    SCOPED_TRACE(script);
    Sandbox sandbox;
    sandbox.WriteFile("f.avs", script);
    TerminalSession term(sandbox, {"f.avs", arg});
    if (in_loop) {
      ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
      EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the frame loop polls keys one by one";
    }
    const ExitResult exit = term.WaitForExit(60s);
    EXPECT_TRUE(exit.signal == signal && (signal != 0 || exit.exit_status == 255))
        << "exit status " << exit.exit_status << ", signal " << exit.signal << "\n" << term.ScreenText();
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
    EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput())) << term.RawOutput();
  }
}

}  // namespace
}  // namespace e2e
