// The live page on a terminal: lines, colours, redraw in place, Esc, summary.
#include "e2e_common.h"

namespace e2e {
namespace {

constexpr int kBrightCyan = 14, kBrightWhite = 15;
// Tall enough that any scrolling seen comes from the page itself.
constexpr TerminalSize kTall{40, 100};
const std::string kRates = kRate + R"( \| )" + kRate + R"( \| )" + kRate;
const std::string kMemory = R"(Memory usage \(phys \| virt\):     \d+ \| \d+ MB)", kThreads = R"(Thread count:                   \d+)";

// One pattern per row of the page; "" is an empty row. The lines the settings add are the frame loop's unit tests'.
std::vector<std::string> PageRows(unsigned last_frame) {
  return {R"(Frame \(current \| last\):         \d+ \| )" + std::to_string(last_frame),
          R"(FPS \(cur \| min \| max \| avg\):    )" + kRate + R"( \| )" + kRates, kMemory, kThreads,
          R"(CPU usage \(current \| average\):  \d+% \| \d+%)", "",
          R"(Time \(elapsed \| estimated\):     )" + kDuration + R"( \| )" + kDuration, "", Literal("Press 'Esc' to cancel the process...")};
}

// The summary in the page's place; the hint is gone.
const std::vector<std::string> kSummaryRows = {R"(Frames processed:               \d+ \(0 - \d+\))",
    R"(FPS \(min \| max \| average\):      )" + kRates, kMemory, kThreads, R"(CPU usage \(average\):            \d+%)", "",
    R"(Time \(elapsed\):                 )" + kDuration, "", ""};

bool RowsMatch(TerminalSession& term, int top, const std::vector<std::string>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) if (!Matches(term.Row(top + static_cast<int>(i)), rows[i])) return false;
  return true;
}

// A page may be caught half drawn: look again until a whole one is there, showing
// a frame other than `before`. Returns the page's top row; `frame`, when given, gets its frame.
int WaitForPage(TerminalSession& term, const std::vector<std::string>& rows, long before = -1, long* frame = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (std::chrono::steady_clock::now() < deadline && term.Running()) {
    term.Pump(30ms);
    const int top = FindRow(term, "Frame (current | last):");
    if (top < 0 || !RowsMatch(term, top, rows)) continue;
    const std::string row = term.Row(top);
    const long shown = std::stol(row.substr(row.find(':') + 1));
    if (frame != nullptr) *frame = shown;
    if (shown != before) return top;
  }
  return -1;
}

TEST(LivePage, RedrawnInPlaceUntilEscThenReplacedByTheSummary) {
  Sandbox sandbox({.settings = {{"LogEstimatedTime", "0"}}});
  sandbox.WriteFile("clip.avs", SpinClip(4000, 1000));  // about 4 s: time to see several pages and press keys
  TerminalSession term(sandbox, {"clip.avs"}, kTall);
  const auto page = PageRows(3999);
  long first = -1, after_arrow = -1;
  const int top = WaitForPage(term, page, -1, &first);
  ASSERT_GE(top, 0) << term.ScreenText();
  for (int row : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(term.CellColor(top + row, 0), kBrightWhite) << "page row " << row;
  EXPECT_EQ(term.CellColor(top + 8, 0), kDefaultColor) << "hint";
  // An arrow key is an escape sequence, not Esc: the run goes on. A page printed anew rather than redrawn
  // would keep the first page's frame on the first page-shaped rows, or move them.
  term.SendKeys("\x1b[A");
  ASSERT_EQ(WaitForPage(term, page, first, &after_arrow), top) << "the page moved:\n" << term.ScreenText();

  term.SendKeys("\x1b");
  ASSERT_EQ(term.WaitForExit(30s).exit_status, 0) << term.ScreenText();
  EXPECT_TRUE(RowsMatch(term, top, kSummaryRows)) << term.ScreenText();
  // "N (0 - last)": N = last + 1, and Esc ended the run after the last page seen.
  const std::string summary = term.Row(top);
  const long processed = std::stol(summary.substr(summary.find(':') + 1));
  const long last = std::stol(summary.substr(summary.find('-') + 1));
  EXPECT_EQ(processed, last + 1) << summary;
  EXPECT_TRUE(last >= after_arrow && last < 3999) << summary;
  for (int row : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(term.CellColor(top + row, 0), kBrightWhite) << "summary row " << row;
}

TEST(LivePage, ScriptErrorInTheLoopTakesThePlaceOfTheHint) {
  // The analysis stops short of frame 1500; the loop draws pages from 1400 on.
  Sandbox sandbox;
  sandbox.WriteFile("clip.avs", SpinClip(2000, 5000) + "Fault(1500, \"error\")\n");
  TerminalSession term(sandbox, {"clip.avs", "-range=1400,1999"}, kTall);
  const int top = WaitForPage(term, PageRows(1999));
  ASSERT_GE(top, 0) << term.ScreenText();
  ASSERT_EQ(term.WaitForExit(30s).exit_status, 255) << term.ScreenText();
  // The two rows from the hint down are blanked and the message goes on the first.
  EXPECT_TRUE(Matches(term.Row(top + 6), PageRows(1999)[6])) << term.ScreenText();
  EXPECT_EQ(term.Row(top + 7) + "|" + term.Row(top + 8), "|Fault at frame 1500") << term.ScreenText();
  EXPECT_EQ(term.CellColor(top + 8, 0), kBrightCyan);
}

}  // namespace
}  // namespace e2e
