// The live page on a terminal: lines, colours, redraw in place, Esc, time limit, summary.
#include "e2e_common.h"

namespace e2e {
namespace {

constexpr int kBrightRed = 9, kBrightCyan = 14, kBrightWhite = 15;
// Tall enough that any scrolling seen comes from the page itself.
constexpr TerminalSize kTall{40, 100};

// About 4 s of frames: time to see several pages and press keys.
const std::string kLongScript = SpinClip(4000, 1000);
constexpr unsigned kLongLastFrame = 3999;

const std::string kRates = kRate + R"( \| )" + kRate + R"( \| )" + kRate;

// One pattern per row, from the page's first row; "" is an empty row.
std::vector<std::string> PageRows(bool tpf_and_efficiency, unsigned last_frame = kLongLastFrame) {
  std::vector<std::string> rows = {
      R"(Frame \(current \| last\):         \d+ \| )" + std::to_string(last_frame),
      R"(FPS \(cur \| min \| max \| avg\):    )" + kRate + R"( \| )" + kRates,
  };
  if (tpf_and_efficiency) rows.push_back(R"(TPF \(cur \| max \| min \| avg\):    )" + kRate + R"( \| )" + kRates + " ms");
  rows.push_back(R"(Memory usage \(phys \| virt\):     \d+ \| \d+ MB)");
  rows.push_back(R"(Thread count:                   \d+)");
  rows.push_back(R"(CPU usage \(current \| average\):  \d+% \| \d+%)");
  if (tpf_and_efficiency) rows.push_back(R"(Efficiency index:               )" + kRate);
  rows.push_back("");
  rows.push_back(R"(Time \(elapsed \| estimated\):     )" + kDuration + R"( \| )" + kDuration);
  rows.push_back("");
  rows.push_back(Literal("Press 'Esc' to cancel the process..."));
  return rows;
}

std::vector<std::string> SummaryRows(bool tpf_and_efficiency, bool estimated) {
  std::vector<std::string> rows = {
      R"(Frames processed:               \d+ \(0 - \d+\))",
      R"(FPS \(min \| max \| average\):      )" + kRates,
  };
  if (tpf_and_efficiency) rows.push_back(R"(TPF \(max \| min \| average\):      )" + kRates + " ms");
  rows.push_back(R"(Memory usage \(phys \| virt\):     \d+ \| \d+ MB)");
  rows.push_back(R"(Thread count:                   \d+)");
  rows.push_back(R"(CPU usage \(average\):            \d+%)");
  if (tpf_and_efficiency) rows.push_back(R"(Efficiency index:               )" + kRate);
  rows.push_back("");
  rows.push_back(estimated ? R"(Time \(elapsed \| estimated\):     )" + kDuration + R"( \| )" + kDuration
                           : R"(Time \(elapsed\):                 )" + kDuration);
  // The page's hint is gone.
  rows.push_back("");
  rows.push_back("");
  return rows;
}

// The first row that does not match, or -1 when all rows from `top` do.
int FirstMismatch(TerminalSession& term, int top, const std::vector<std::string>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!Matches(term.Row(top + static_cast<int>(i)), rows[i])) return static_cast<int>(i);
  }
  return -1;
}

// A page may be caught half drawn: look again until a whole one is there.
int WaitForWholePage(TerminalSession& term, const std::vector<std::string>& rows) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (std::chrono::steady_clock::now() < deadline) {
    term.Pump(30ms);
    int top = FindRow(term, "Frame (current | last):");
    if (top >= 0 && FirstMismatch(term, top, rows) < 0) return top;
    if (!term.Running()) break;
  }
  return -1;
}

long CurrentFrame(TerminalSession& term, int top) {
  static const std::regex form(R"(Frame \(current \| last\):\s+(\d+) \|)");
  std::smatch m;
  const std::string row = term.Row(top);
  return std::regex_search(row, m, form) ? std::stol(m[1]) : -1;
}

// Waits for a page whose frame differs from `before`.
long WaitForFrameOtherThan(TerminalSession& term, const std::vector<std::string>& rows, long before) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    int top = WaitForWholePage(term, rows);
    if (top < 0) return -1;
    long frame = CurrentFrame(term, top);
    if (frame != before) return frame;
  }
  return -1;
}

TEST(LivePage, RedrawnInPlaceUntilEscThenReplacedByTheSummary) {
  Sandbox sandbox({.settings = {{"LogEstimatedTime", "0"}}});
  sandbox.WriteScript("clip.avs", kLongScript);
  TerminalSession term(sandbox, {"clip.avs"}, kTall);
  const std::vector<std::string> page = PageRows(false);

  const int top = WaitForWholePage(term, page);
  ASSERT_GE(top, 0) << term.ScreenText();
  const int scrolled_at_first_page = term.ScrolledOffLines();
  EXPECT_EQ(term.CellColor(1, 0), kBrightRed) << "banner";
  for (int row : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(term.CellColor(top + row, 0), kBrightWhite) << "page row " << row;
  EXPECT_EQ(term.CellColor(top + 8, 0), kDefaultColor) << "hint";

  const long first = CurrentFrame(term, top);
  const long later = WaitForFrameOtherThan(term, page, first);
  ASSERT_GE(later, 0) << term.ScreenText();
  EXPECT_GT(later, first);

  // An arrow key is an escape sequence, not Esc: the run goes on.
  term.SendKeys("\x1b[A");
  const long after_arrow = WaitForFrameOtherThan(term, page, later);
  ASSERT_GT(after_arrow, later) << term.ScreenText();
  ASSERT_TRUE(term.Running());
  EXPECT_EQ(FindRow(term, "Frame (current | last):"), top) << "the page moved:\n" << term.ScreenText();
  EXPECT_LE(term.ScrolledOffLines() - scrolled_at_first_page, 0) << "the page scrolls instead of being redrawn";

  term.SendKeys("\x1b");
  ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
  term.Pump(50ms);

  const std::vector<std::string> summary = SummaryRows(false, false);
  EXPECT_EQ(FirstMismatch(term, top, summary), -1) << term.ScreenText();
  const FramesProcessed frames = ParseFramesProcessed(term.Row(top));
  ASSERT_TRUE(frames.found) << term.ScreenText();
  EXPECT_EQ(frames.count, frames.last + 1);
  EXPECT_GE(frames.last, static_cast<unsigned>(after_arrow));
  EXPECT_LT(frames.last, kLongLastFrame) << "Esc did not end the run";
  EXPECT_EQ(term.ScreenText().find("Press 'Esc'"), std::string::npos) << term.ScreenText();
  for (int row : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(term.CellColor(top + row, 0), kBrightWhite) << "summary row " << row;
}

TEST(LivePage, TimeLimitEndsTheRunWithTheExtraLinesShown) {
  Sandbox sandbox(
      {.settings = {{"DisplayTPF", "1"}, {"DisplayEfficiencyIndex", "1"}, {"LogEstimatedTime", "1"}}});
  sandbox.WriteScript("clip.avs", kLongScript);
  TerminalSession term(sandbox, {"clip.avs", "-timelimit=2"}, kTall);

  const int top = WaitForWholePage(term, PageRows(true));
  ASSERT_GE(top, 0) << term.ScreenText();
  for (int row : {2, 6}) EXPECT_EQ(term.CellColor(top + row, 0), kBrightWhite) << "page row " << row;

  ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_EQ(exit.exit_status, 0) << term.ScreenText();
  term.Pump(50ms);

  // Ended early, so the estimated time is shown beside the elapsed time.
  EXPECT_EQ(FirstMismatch(term, top, SummaryRows(true, true)), -1) << term.ScreenText();
  const FramesProcessed frames = ParseFramesProcessed(term.Row(top));
  ASSERT_TRUE(frames.found) << term.ScreenText();
  EXPECT_EQ(frames.count, frames.last + 1);
  EXPECT_LT(frames.last, kLongLastFrame) << "the time limit did not end the run";
  const int time_row = FindRow(term, "Time (elapsed | estimated):");
  ASSERT_GE(time_row, 0);
  EXPECT_GE(DurationMs(term.Row(time_row)), 2000) << term.Row(time_row);
}

TEST(LivePage, ScriptErrorInTheLoopTakesThePlaceOfTheHint) {
  // The analysis stops short of frame 1500; the loop draws pages from 1400 on.
  Sandbox sandbox;
  sandbox.WriteScript("clip.avs", SpinClip(2000, 5000) + "Fault(1500, \"error\")\n");
  TerminalSession term(sandbox, {"clip.avs", "-range=1400,1999"}, kTall);
  const int top = WaitForWholePage(term, PageRows(false, 1999));
  ASSERT_GE(top, 0) << term.ScreenText();
  ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_EQ(exit.exit_status, 255);
  term.Pump(50ms);
  // The two rows from the hint down are blanked and the message goes on the first.
  EXPECT_TRUE(Matches(term.Row(top + 6), PageRows(false, 1999)[6])) << term.ScreenText();
  EXPECT_EQ(term.Row(top + 7), "") << term.ScreenText();
  EXPECT_EQ(term.Row(top + 8), "Fault at frame 1500") << term.ScreenText();
  EXPECT_EQ(term.CellColor(top + 8, 0), kBrightCyan);
  EXPECT_EQ(term.ScreenText().find("Frames processed"), std::string::npos) << term.ScreenText();
}

}  // namespace
}  // namespace e2e
