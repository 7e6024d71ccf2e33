// Frame ranges at run time: the invalid-range prompt, single frames, too-short ranges.
#include "e2e_common.h"

namespace e2e {
namespace {

constexpr int kBrightCyan = 14, kBrightWhite = 15;
// 100 frames of 8 ms: 0.8 s to analyse and to read whole.
const std::string kHundredFrames = SpinClip(100, 8000);
const char kQuestion[] = "Proceed with default (0,99)? [y/n]";

// Other keys are ignored; y runs the default range, n ends with status 0 and a report-only log.
TEST(FrameRangePrompt, ShowsTheRejectedRangeAndWaitsForYesOrNo) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "y" : "n");
    Sandbox sandbox;
    sandbox.WriteScript("clip.avs", kHundredFrames);
    TerminalSession term(sandbox, {"clip.avs", "-range=50,20", yes ? "-csv" : "-log"});
    ASSERT_TRUE(term.WaitForText(kQuestion)) << term.ScreenText();
    const int heading = FindRow(term, "Invalid frame range specified:");
    ASSERT_GE(heading, 0) << term.ScreenText();
    EXPECT_EQ(term.CellColor(heading, 0), kBrightCyan);
    EXPECT_EQ(term.Row(heading + 1), "\"FrameRange=50,20\"");
    EXPECT_EQ(term.CellColor(heading + 1, 0), kBrightWhite);
    EXPECT_EQ(term.Row(heading + 2), "");
    EXPECT_EQ(term.Row(heading + 3), kQuestion);
    EXPECT_EQ(term.CellColor(heading + 3, 0), kDefaultColor);
    for (const std::string key : {"x", "\x1b", "\x1b[B", "\r"}) {
      term.SendKeys(key);
      term.Pump(400ms);
      ASSERT_TRUE(term.Running()) << "key " << key.size() << " bytes ended the prompt\n" << term.ScreenText();
      EXPECT_GE(FindRow(term, kQuestion), 0) << term.ScreenText();
    }
    term.SendKeys(yes ? "y" : "n");
    if (yes) {
      ASSERT_TRUE(term.WaitForText("Frames processed:               100 (0 - 99)")) << term.ScreenText();
    }
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended) << term.ScreenText();
    EXPECT_EQ(exit.exit_status, 0);
    EXPECT_EQ(term.ScreenText().find("[y/n]"), std::string::npos) << term.ScreenText();
    if (yes) {
      EXPECT_EQ(term.ScreenText().find("Invalid frame range"), std::string::npos) << term.ScreenText();
      // The prompt's own status line stands in for the loop's.
      EXPECT_NE(term.RawOutput().find("Reading frame(s)..."), std::string::npos);
      EXPECT_EQ(term.RawOutput().find("Reading frames..."), std::string::npos);
      continue;
    }
    EXPECT_EQ(term.RawOutput().find("Frames processed"), std::string::npos);
    const std::string log = sandbox.ReadFile("clip.log");
    EXPECT_NE(log.find("\n\n[Clip info]\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\n[Script]\n" + kHundredFrames + "\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("[Runtime info]"), std::string::npos) << log;
    EXPECT_FALSE(sandbox.Exists("clip.csv"));
  }
}

TEST(FrameRangePrompt, AnswersThroughAPipe) {
  // {range, answer (nullopt: input at its end), quoted, runs}; Esc is left out:
  // through a pipe it would take the next byte as its sequence.
  const std::vector<std::tuple<std::string, std::optional<std::string>, std::string, bool>> cases = {
      {"-range=50,20", std::nullopt, "FrameRange=50,20", false},
      {"-range=0,100", "n", "FrameRange=0,100", false},
      {"-range=-1,5", "x\r Y", "FrameRange=-1,5", true},
      {"-log", "y", "FrameRange=abc", true},
  };
  for (const auto& [range, input, quoted, runs] : cases) {
    SCOPED_TRACE(quoted);
    Sandbox sandbox({.settings = {{"FrameRange", range == "-log" ? "abc" : "0,-1"}}});
    sandbox.WriteScript("clip.avs", kHundredFrames);
    ProcessResult r = RunPiped(sandbox, {"clip.avs", range}, input, 40s);
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_NE(r.err.find("\rInvalid frame range specified:\n\r\"" + quoted + "\"\n\n\r" + kQuestion), std::string::npos)
        << r.err;
    if (runs) {
      EXPECT_NE(r.err.find("\rReading frame(s)...\r"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("\rFrames processed:               100 (0 - 99)\n"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;
    }
  }
}

TEST(FrameRange, ValidRangesReadExactlyTheirFrames) {
  // 15 ms a frame gives an interval of 1, so even one frame is measured, and one CSV row per frame.
  const std::vector<std::tuple<std::string, std::string, std::string, size_t>> cases = {
      {"-range=10,10", "frame", "1 (10)", 1},
      {"-range=0,0", "frame", "1", 1},
      {"-range=5,9", "frames", "5 (5 - 9)", 5},
      {"-range=0,-1", "frames", "50 (0 - 49)", 50},
  };
  for (const auto& [range, reading, processed, rows] : cases) {
    SCOPED_TRACE(range);
    Sandbox sandbox;
    sandbox.WriteScript("clip.avs", SpinClip(50, 15000));
    ProcessResult r = RunPiped(sandbox, {"clip.avs", range, "-csv"});
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_NE(r.err.find("\rReading " + reading + "...\r"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\rFrames processed:               " + processed + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(SplitLines(sandbox.ReadFile("clip.csv")).size(), rows + 1);
  }
}

TEST(FrameRange, RangeShorterThanTheIntervalIsReportedTooShort) {
  // 2 ms a frame gives an interval of 10; five frames never complete one.
  Sandbox sandbox;
  const std::string script = SpinClip(600, 2000);
  sandbox.WriteScript("clip.avs", script);
  sandbox.WriteFile("clip.csv", "stale\n");
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-range=0,4", "-log", "-csv"});
  EXPECT_EQ(r.exit_status, 0) << Describe(r);
  const std::string text = "The specified frame range is too short for accurate measurements.";
  EXPECT_NE(r.err.find("\r" + text + "\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;

  const std::string log = sandbox.ReadFile("clip.log");
  EXPECT_NE(log.find("\n\n[Runtime info]\n" + text + "\n\n[Script]\n" + script + "\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("[Performance data]"), std::string::npos) << log;
  ASSERT_TRUE(sandbox.Exists("clip.csv"));
  EXPECT_EQ(sandbox.ReadFile("clip.csv"), "");
}

}  // namespace
}  // namespace e2e
