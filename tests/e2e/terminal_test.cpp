// On a terminal: colours, the modes the program sets and gives back however it
// ends (pause, fault, signal, a fault on a worker thread).
#include <signal.h>

#include <thread>

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

TEST(TerminalModes, ExitPauseWaitsForAKeyAndBlanksItsPrompt) {
  // An arrow key is an escape sequence, an ordinary key here.
  Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
  TerminalSession term(sandbox, {"-log"});
  ASSERT_TRUE(term.WaitForText(kPausePrompt)) << term.ScreenText();
  EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the pause reads keys one by one without echo";
  term.Pump(300ms);
  EXPECT_TRUE(term.Running()) << "the pause ended without a key";
  term.SendKeys("\x1b[A");
  ASSERT_EQ(term.WaitForExit().exit_status, 255);
  EXPECT_EQ(term.ScreenText().find(kPausePrompt), std::string::npos) << term.ScreenText();
  // The prompt row is overwritten by width - 1 spaces; the cursor stays there.
  EXPECT_EQ(term.CursorPosition().col, 99);
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
}

TEST(TerminalModes, InterruptedPauseRestoresTheTerminalMode) {
  for (bool by_key : {true, false}) {
    SCOPED_TRACE(by_key ? "Ctrl+C" : "SIGTERM");
    Sandbox sandbox({.settings = {{"PauseBeforeExit", "1"}}});
    TerminalSession term(sandbox, {"-log"});
    ASSERT_TRUE(term.WaitForText(kPausePrompt)) << term.ScreenText();
    if (by_key) term.SendKeys("\x03");
    else kill(term.Pid(), SIGTERM);
    ASSERT_TRUE(term.WaitForExit().ended);
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  }
}

// The message itself is fault_stack_info.case's.
TEST(TerminalModes, FaultWhileLoadingEndsInTheNormalMode) {
  Sandbox sandbox;
  sandbox.WriteFile("f.avs", "BlankClip(length=10, width=64, height=48)\nFault(-1, \"stack\")\n");
  TerminalSession term(sandbox, {"f.avs", "-info"});
  const ExitResult exit = term.WaitForExit();
  EXPECT_TRUE(exit.exit_status == 255 && exit.signal == 0) << exit.exit_status << " " << exit.signal;
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
}

// The library's own worker threads are outside every guard: the process
// cannot go on, but the user's terminal must not be left in raw mode.
TEST(BadEndings, FaultOnAPrefetchThreadRestoresTheTerminal) {
  for (const bool reaches_frame_loop : {false, true}) {
    SCOPED_TRACE(reaches_frame_loop ? "frame loop" : "analysis");
    Sandbox sandbox;
    sandbox.WriteFile("mt.avs", reaches_frame_loop ? "BlankClip(length=1000, width=64, height=48)\nNap(20)\nFault(900, \"access\")\nPrefetch(2)\n"
                                                   : "BlankClip(length=100, width=64, height=48)\nFault(3, \"access\")\nPrefetch(2)\n");
    TerminalSession term(sandbox, {"mt.avs", "-log"});
    if (reaches_frame_loop) {
      ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
      EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the frame loop polls keys one by one";
    }
    const ExitResult exit = term.WaitForExit(60s);
    EXPECT_EQ(exit.signal, SIGSEGV) << "exit status " << exit.exit_status << "\n" << term.ScreenText();
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
    EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput())) << term.RawOutput();
  }
}

TEST(BadEndings, TerminationDuringTheFrameLoopKeepsTheEarlierLog) {
  Sandbox sandbox;
  // A short run writes the log the later run must not damage.
  sandbox.WriteFile("a.avs", "BlankClip(length=40, width=64, height=48)\nNap(20)\n");
  ProcessResult first = RunPiped(sandbox, {"a.avs", "-log", "-csv"}, std::nullopt, 60s);
  ASSERT_EQ(first.exit_status, 0) << Describe(first);
  const std::string log = sandbox.ReadFile("a.log"), csv = sandbox.ReadFile("a.csv");
  ASSERT_NE(log.find("[Performance data]"), std::string::npos) << log;

  sandbox.WriteFile("a.avs", "BlankClip(length=100000, width=64, height=48)\nNap(20)\n");
  const std::vector<std::string> files_before = sandbox.ListFiles();
  TerminalSession term(sandbox, {"a.avs", "-log", "-csv"});
  ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(kill(term.Pid(), SIGTERM), 0);
  const ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_TRUE(exit.signal == SIGTERM || exit.exit_status != 0) << exit.signal << " " << exit.exit_status;
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput()));
  EXPECT_TRUE(sandbox.ReadFile("a.log") == log && sandbox.ReadFile("a.csv") == csv) << "an earlier record changed";
  EXPECT_EQ(sandbox.ListFiles(), files_before) << "no temporary file may be left behind";
}

}  // namespace
}  // namespace e2e
