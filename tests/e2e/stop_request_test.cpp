// Ctrl+C, SIGTERM and SIGHUP: during the frame loop the first ends the run as Esc does and the records
// are written; a second, or the first anywhere else, ends the program at once. Either way it dies by the
// signal, which a calling shell reports as 128 + its number.
#include <signal.h>

#include "e2e_common.h"

namespace e2e {
namespace {

const std::string kHint = "Press 'Esc' to cancel the process...";
const std::string kNotice = "Stopping after the current frame...";
// Each frame takes a second: the analysis reads all four, and the loop draws a page after every frame.
const std::string kSlowFrames = "BlankClip(length=4, width=64, height=48)\nNap(1000)\n";

// The stopped run's records: "Frames processed: N (0 - N-1)" (or "1" alone) in the summary and the log,
// then one row per frame (interval 1, each row numbered by the frames done) in the log's table and the CSV.
void ExpectRecordsUpToTheStop(const std::string& console, const std::string& log, const std::string& csv) {
  static const std::regex processed(R"(Frames processed: +(\d+)(?: \(0 - (\d+)\))?\n)");
  std::smatch shown, logged;
  ASSERT_TRUE(std::regex_search(console, shown, processed)) << console;
  ASSERT_TRUE(std::regex_search(log, logged, processed)) << log;
  EXPECT_EQ(shown[0], logged[0]);
  const unsigned frames = std::stoul(shown[1]);
  EXPECT_EQ(shown[2].matched ? std::stoul(shown[2]) + 1 : 1, frames) << console;
  EXPECT_TRUE(frames >= 1 && frames < 4) << console;
  const std::vector<std::string> rows = Split(csv);
  ASSERT_EQ(rows.size(), frames + 1) << csv;
  for (unsigned i = 1; i <= frames; ++i) {
    EXPECT_TRUE(rows[i].starts_with(std::to_string(i) + ",")) << rows[i];
    EXPECT_NE(log.find("\n" + std::string(11, ' ') + std::to_string(i) + " "), std::string::npos) << log;
  }
}

// Earlier records are replaced whole or kept whole: no temporary file is ever left beside them. Returns the
// files before the run.
std::vector<std::string> WriteSlowRunWithEarlierRecords(Sandbox& sandbox) {
  sandbox.WriteFile("a.log", "EARLIER LOG\n");
  sandbox.WriteFile("a.csv", "EARLIER CSV\n");
  sandbox.WriteFile("a.avs", kSlowFrames);
  return sandbox.ListFiles();
}

TEST(StopRequest, CtrlCInTheLoopShowsTheNoticeAndASecondEndsAtOnce) {
  for (const bool twice : {false, true}) {
    SCOPED_TRACE(twice ? "twice" : "once");
    Sandbox sandbox;
    const std::vector<std::string> before = WriteSlowRunWithEarlierRecords(sandbox);
    TerminalSession term(sandbox, {"a.avs", "-log", "-csv"}, {40, 100});
    ASSERT_TRUE(term.WaitForText(kHint, 60s)) << term.ScreenText();
    EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the loop reads keys one by one";
    const int hint_row = FindRow(term, kHint), top = FindRow(term, "Frame (current | last):");
    term.Pump(200ms);  // into the next frame, past the check that follows the page
    term.SendKeys("\x03");
    // At once, while the frame goes on: over the hint, the page above untouched.
    ASSERT_TRUE(term.WaitForText(kNotice, 5s)) << term.ScreenText();
    EXPECT_EQ(term.Row(hint_row), kNotice);
    EXPECT_EQ(FindRow(term, "Frame (current | last):"), top);
    EXPECT_TRUE(term.Running());
    if (twice) term.SendKeys("\x03");

    const ExitResult exit = term.WaitForExit(30s);
    EXPECT_EQ(exit.signal, SIGINT) << term.ScreenText();
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
    EXPECT_EQ(sandbox.ListFiles(), before);
    if (twice) {
      EXPECT_EQ(term.ScreenText().find("Frames processed"), std::string::npos) << "no summary: the frame was not waited for";
      EXPECT_EQ(sandbox.ReadFile("a.log") + sandbox.ReadFile("a.csv"), "EARLIER LOG\nEARLIER CSV\n");
      continue;
    }
    // The summary takes the page's place, the notice's row with it.
    EXPECT_TRUE(term.Row(top).starts_with("Frames processed:")) << term.ScreenText();
    EXPECT_EQ(term.ScreenText().find(kNotice), std::string::npos) << term.ScreenText();
    EXPECT_EQ(term.ScreenText().find(kHint), std::string::npos) << term.ScreenText();
    ExpectRecordsUpToTheStop(term.ScreenText() + "\n", sandbox.ReadFile("a.log"), sandbox.ReadFile("a.csv"));
  }
}

TEST(StopRequest, TermAndHangUpInTheLoopKeepTheRecordsThroughPipes) {
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    Sandbox sandbox;
    const std::vector<std::string> before = WriteSlowRunWithEarlierRecords(sandbox);
    const ProcessResult r = RunPiped(sandbox, {"a.avs", "-log", "-csv"}, std::nullopt, 60s, "", {{kHint, signal}});
    EXPECT_EQ(r.signal, signal) << Describe(r);
    EXPECT_EQ(r.out, "");
    // No notice without a terminal; the summary as Esc leaves it.
    EXPECT_EQ(r.err.find(kNotice), std::string::npos) << Describe(r);
    ExpectRecordsUpToTheStop(r.err, sandbox.ReadFile("a.log"), sandbox.ReadFile("a.csv"));
    EXPECT_EQ(sandbox.ListFiles(), before);
  }
}

TEST(StopRequest, CtrlCDuringTheAnalysisEndsAtOnceWithoutFiles) {
  Sandbox sandbox;
  // Without the signal the analysis alone would take 5 s and the run hours.
  sandbox.WriteFile("a.avs", "BlankClip(length=1000000, width=64, height=48)\nNap(20)\n");
  const std::vector<std::string> before = sandbox.ListFiles();
  const ProcessResult r =
      RunPiped(sandbox, {"a.avs", "-log", "-csv"}, std::nullopt, 60s, "", {{"Analysing script...", SIGINT}});
  EXPECT_EQ(r.signal, SIGINT) << Describe(r);
  EXPECT_TRUE(r.err.ends_with("\rAnalysing script...\r")) << Describe(r);
  EXPECT_EQ(sandbox.ListFiles(), before);
}

}  // namespace
}  // namespace e2e
