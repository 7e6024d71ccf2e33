// What a user sees on a terminal: colours, and status lines overwritten in place.
#include "e2e_common.h"

namespace e2e {
namespace {

// Palette indices: bit order (1 red, 4 blue) is the reverse of the console attribute's.
constexpr int kRed = 9, kGreen = 10, kCyan = 14, kWhite = 15, kNone = kDefaultColor;

TEST(TerminalOutput, StartLinesAndErrorsAreColouredAndTheStatusLineIsGone) {
  const std::string version = FactsOf("standard").version_string;
  const int after_version = static_cast<int>(version.size()) + 1;
  // ConUseSTDOUT moves text, not colour: standard output is still the terminal.
  for (const auto& [setting, value, colored] : {std::tuple{"ConUseSTDOUT", "0", true}, {"ConUseSTDOUT", "1", true},
                                                {"UseColor", "0", false}}) {
    SCOPED_TRACE(std::string(setting) + value);
    Sandbox sandbox({.settings = {{setting, value}}});
    TerminalSession term(sandbox, {"-priority=0"});
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.exit_status, 255);
    const std::string expected = "\nKorbinet " + ProgramVersion5() + " (x64)\n" + version +
                                 " (1.0.0.0)\n\nInvalid parameter value: \"-priority=0\"\nValue must be between 1 and 3";
    EXPECT_EQ(term.ScreenText().substr(0, expected.size()), expected) << term.ScreenText();
    EXPECT_EQ(term.ScreenText().find("Query Avisynth info"), std::string::npos);
    const std::vector<std::tuple<int, int, int>> cells = {{1, 0, kRed}, {2, 0, kGreen}, {2, after_version, kWhite},
                                                          {4, 0, kCyan}, {5, 0, kCyan}};
    for (const auto& [row, col, color] : cells) EXPECT_EQ(term.CellColor(row, col), colored ? color : kNone);
    if (colored) continue;
    for (int row = 0; row < term.Rows(); ++row) {
      for (int col = 0; col < 40; ++col) ASSERT_EQ(term.CellColor(row, col), kNone) << row << "," << col;
    }
  }
}

}  // namespace
}  // namespace e2e
