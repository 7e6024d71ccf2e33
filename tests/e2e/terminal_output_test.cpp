// What a user sees on a terminal: colours, status lines overwritten in place,
// and nothing left behind by the start-up line.
#include <gtest/gtest.h>

#include "harness/expected_texts.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

constexpr int kBrightGreen = 10;
// Indices of the terminal palette, whose bit order (1 red, 4 blue) is not the
// console attribute's (1 blue, 4 red): attribute 11 is palette index 14.
constexpr int kBrightCyan = 14;
constexpr int kBrightRed = 9;
constexpr int kBrightWhite = 15;

TEST(TerminalOutput, StartLinesAreColouredAndTheStatusLineIsGone) {
  Sandbox sandbox;
  TerminalSession term(sandbox, {});
  ExitResult exit = term.WaitForExit();
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 255);
  const std::string version_line = StandardLibraryVersion() + " (" + StandardLibraryFileVersion() + ")";
  // The first line feed of the banner leaves row 0 empty.
  EXPECT_EQ(term.Row(0), "");
  EXPECT_EQ(term.Row(1), "Korbinet " + ProgramVersion5() + " (x64)") << term.ScreenText();
  EXPECT_EQ(term.Row(2), version_line) << term.ScreenText();
  EXPECT_EQ(term.Row(4), "Usage:  Korbinet script.avs [switches]") << term.ScreenText();
  EXPECT_EQ(term.ScreenText().find("Query Avisynth info"), std::string::npos) << term.ScreenText();

  EXPECT_EQ(term.CellColor(1, 0), kBrightRed);
  EXPECT_EQ(term.CellColor(2, 0), kBrightGreen);
  EXPECT_EQ(term.CellColor(2, static_cast<int>(StandardLibraryVersion().size()) + 1), kBrightWhite);
  EXPECT_EQ(term.CellColor(4, 0), kBrightWhite);
}

TEST(TerminalOutput, ErrorMessagesAreBrightCyan) {
  Sandbox sandbox;
  TerminalSession term(sandbox, {"-priority=0"});
  ASSERT_TRUE(term.WaitForExit().ended);
  int row = FindRow(term, "Invalid parameter value: \"-priority=0\"");
  ASSERT_GE(row, 0) << term.ScreenText();
  EXPECT_EQ(term.CellColor(row, 0), kBrightCyan);
  EXPECT_EQ(term.Row(row + 1), "Value must be between 1 and 3");
  EXPECT_EQ(term.CellColor(row + 1, 0), kBrightCyan);
}

TEST(TerminalOutput, UseColorOffLeavesEveryCellInTheDefaultColour) {
  Sandbox sandbox({.settings = {{"UseColor", "0"}}});
  TerminalSession term(sandbox, {"-priority=0"});
  ASSERT_TRUE(term.WaitForExit().ended);
  ASSERT_EQ(term.Row(1), "Korbinet " + ProgramVersion5() + " (x64)") << term.ScreenText();
  for (int row = 0; row < term.Rows(); ++row) {
    for (int col = 0; col < 40; ++col) {
      ASSERT_EQ(term.CellColor(row, col), kDefaultColor) << "row " << row << " col " << col;
    }
  }
}

TEST(TerminalOutput, ColoursEvenWhenMessagesGoToStandardOutput) {
  // ConUseSTDOUT moves text, not colour: standard output is still the terminal.
  Sandbox sandbox({.settings = {{"ConUseSTDOUT", "1"}}});
  TerminalSession term(sandbox, {});
  ASSERT_TRUE(term.WaitForExit().ended);
  ASSERT_EQ(term.Row(1), "Korbinet " + ProgramVersion5() + " (x64)") << term.ScreenText();
  EXPECT_EQ(term.CellColor(1, 0), kBrightRed);
}

}  // namespace
}  // namespace e2e
