// Frame ranges at run time: the invalid-range prompt, single frames, too-short ranges.
#include "e2e_common.h"

namespace e2e {
namespace {

constexpr int kBrightCyan = 14, kBrightWhite = 15;
// 100 frames of 8 ms: 0.8 s to analyse and to read whole.
const std::string kHundredFrames = SpinClip(100, 8000);
const char kQuestion[] = "Proceed with default (0,99)? [y/n]";

struct PromptSession {
  Sandbox sandbox;
  bool written = (sandbox.WriteScript("clip.avs", kHundredFrames), true);
  TerminalSession term;
  explicit PromptSession(const char* log) : term(sandbox, {"clip.avs", "-range=50,20", log}) {}
};

TEST(FrameRangePrompt, ShowsTheRejectedRangeAndIgnoresOtherKeys) {
  PromptSession s("-csv");
  ASSERT_TRUE(s.term.WaitForText(kQuestion)) << s.term.ScreenText();
  const int heading = FindRow(s.term, "Invalid frame range specified:");
  ASSERT_GE(heading, 0) << s.term.ScreenText();
  EXPECT_EQ(s.term.CellColor(heading, 0), kBrightCyan);
  EXPECT_EQ(s.term.Row(heading + 1), "\"FrameRange=50,20\"");
  EXPECT_EQ(s.term.CellColor(heading + 1, 0), kBrightWhite);
  EXPECT_EQ(s.term.Row(heading + 2), "");
  EXPECT_EQ(s.term.Row(heading + 3), kQuestion);
  EXPECT_EQ(s.term.CellColor(heading + 3, 0), kDefaultColor);
  for (const std::string key : {"x", "\x1b", "\x1b[B", "\r"}) {
    s.term.SendKeys(key);
    s.term.Pump(400ms);
    ASSERT_TRUE(s.term.Running()) << "key " << key.size() << " bytes ended the prompt\n" << s.term.ScreenText();
    EXPECT_GE(FindRow(s.term, kQuestion), 0) << s.term.ScreenText();
  }

  s.term.SendKeys("y");
  ASSERT_TRUE(s.term.WaitForText("Frames processed:               100 (0 - 99)")) << s.term.ScreenText();
  ExitResult exit = s.term.WaitForExit();
  ASSERT_TRUE(exit.ended);
  EXPECT_EQ(exit.exit_status, 0);
  EXPECT_EQ(s.term.ScreenText().find("Invalid frame range"), std::string::npos) << s.term.ScreenText();
  // The prompt's own status line stands in for the loop's.
  EXPECT_NE(s.term.RawOutput().find("Reading frame(s)..."), std::string::npos);
  EXPECT_EQ(s.term.RawOutput().find("Reading frames..."), std::string::npos);
}

TEST(FrameRangePrompt, DecliningEndsWithStatusZeroAndAReportOnlyLog) {
  PromptSession s("-log");
  ASSERT_TRUE(s.term.WaitForText(kQuestion)) << s.term.ScreenText();
  s.term.SendKeys("n");
  ExitResult exit = s.term.WaitForExit();
  ASSERT_TRUE(exit.ended) << s.term.ScreenText();
  EXPECT_EQ(exit.exit_status, 0);
  EXPECT_EQ(s.term.ScreenText().find("[y/n]"), std::string::npos) << s.term.ScreenText();
  EXPECT_EQ(s.term.RawOutput().find("Frames processed"), std::string::npos);

  ASSERT_TRUE(s.sandbox.Exists("clip.log"));
  const std::string log = s.sandbox.ReadFile("clip.log");
  EXPECT_NE(log.find("\n\n[Clip info]\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\n[Script]\n" + kHundredFrames + "\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("[Runtime info]"), std::string::npos) << log;
  EXPECT_FALSE(s.sandbox.Exists("clip.csv"));
}

struct PipedAnswer {
  std::map<std::string, std::string> settings;
  std::string range;
  std::optional<std::string> input;  // nullopt: standard input at its end
  std::string quoted;
  bool runs;
};

TEST(FrameRangePrompt, AnswersThroughAPipe) {
  const std::vector<PipedAnswer> cases = {
      {{}, "-range=50,20", std::nullopt, "FrameRange=50,20", false},
      {{}, "-range=0,100", "n", "FrameRange=0,100", false},
      // Esc is left out: through a pipe it would take the next byte as its sequence.
      {{}, "-range=-1,5", "x\r Y", "FrameRange=-1,5", true},
      {{{"FrameRange", "abc"}}, "-log", "y", "FrameRange=abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quoted);
    Sandbox sandbox({.settings = c.settings});
    sandbox.WriteScript("clip.avs", kHundredFrames);
    ProcessResult r = RunPiped(sandbox, {"clip.avs", c.range}, c.input, 40s);
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_NE(r.err.find("\rInvalid frame range specified:\n\r\"" + c.quoted + "\"\n\n\r" + kQuestion),
              std::string::npos)
        << r.err;
    if (c.runs) {
      EXPECT_NE(r.err.find("\rReading frame(s)...\r"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("\rFrames processed:               100 (0 - 99)\n"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.err.find("Frames processed"), std::string::npos) << r.err;
    }
  }
}

struct RangeCase {
  std::string range, status_line, frames_line;
};

TEST(FrameRange, ValidRangesReadExactlyTheirFrames) {
  // 15 ms a frame gives an interval of 1, so even one frame is measured.
  const std::vector<RangeCase> cases = {
      {"-range=10,10", "\rReading frame...\r", "\rFrames processed:               1 (10)\n"},
      {"-range=0,0", "\rReading frame...\r", "\rFrames processed:               1\n"},
      {"-range=5,9", "\rReading frames...\r", "\rFrames processed:               5 (5 - 9)\n"},
      {"-range=0,-1", "\rReading frames...\r", "\rFrames processed:               50 (0 - 49)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    Sandbox sandbox;
    sandbox.WriteScript("clip.avs", SpinClip(50, 15000));
    ProcessResult r = RunPiped(sandbox, {"clip.avs", c.range, "-csv"});
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_NE(r.err.find(c.status_line), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.frames_line), std::string::npos) << r.err;
    // Interval 1: one CSV row per frame read.
    const FramesProcessed frames = ParseFramesProcessed(r.err);
    const size_t expected_rows = frames.found ? frames.count : 1;
    EXPECT_EQ(SplitLines(sandbox.ReadFile("clip.csv")).size(), expected_rows + 1);
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
