// What a user sees on a terminal: colours, and status lines overwritten in place.
#include "e2e_common.h"

namespace e2e {
namespace {

// Palette indices, whose bit order (1 red, 4 blue) is not the console
// attribute's (1 blue, 4 red): attribute 11 is palette index 14.
constexpr int kBrightRed = 9, kBrightGreen = 10, kBrightCyan = 14, kBrightWhite = 15;

TEST(TerminalOutput, StartLinesAndErrorsAreColouredAndTheStatusLineIsGone) {
  // ConUseSTDOUT moves text, not colour: standard output is still the terminal.
  for (const char* stdout_too : {"0", "1"}) {
    SCOPED_TRACE(stdout_too);
    Sandbox sandbox({.settings = {{"ConUseSTDOUT", stdout_too}}});
    TerminalSession term(sandbox, {"-priority=0"});
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.exit_status, 255);
    EXPECT_EQ(term.Row(0), "");
    EXPECT_EQ(term.Row(1), "Korbinet " + ProgramVersion5() + " (x64)") << term.ScreenText();
    EXPECT_EQ(term.Row(2), StandardLibraryVersion() + " (" + StandardLibraryFileVersion() + ")");
    EXPECT_EQ(term.Row(4), "Invalid parameter value: \"-priority=0\"") << term.ScreenText();
    EXPECT_EQ(term.Row(5), "Value must be between 1 and 3");
    EXPECT_EQ(term.ScreenText().find("Query Avisynth info"), std::string::npos) << term.ScreenText();
    EXPECT_EQ(term.CellColor(1, 0), kBrightRed);
    EXPECT_EQ(term.CellColor(2, 0), kBrightGreen);
    EXPECT_EQ(term.CellColor(2, static_cast<int>(StandardLibraryVersion().size()) + 1), kBrightWhite);
    EXPECT_EQ(term.CellColor(4, 0), kBrightCyan);
    EXPECT_EQ(term.CellColor(5, 0), kBrightCyan);
  }
}

TEST(TerminalOutput, UseColorOffLeavesEveryCellInTheDefaultColour) {
  Sandbox sandbox({.settings = {{"UseColor", "0"}}});
  TerminalSession term(sandbox, {"-priority=0"});
  ASSERT_TRUE(term.WaitForExit().ended);
  ASSERT_EQ(term.Row(1), "Korbinet " + ProgramVersion5() + " (x64)") << term.ScreenText();
  for (int row = 0; row < term.Rows(); ++row) {
    for (int col = 0; col < 40; ++col) ASSERT_EQ(term.CellColor(row, col), kDefaultColor) << row << "," << col;
  }
}

}  // namespace
}  // namespace e2e
