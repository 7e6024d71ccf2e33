// Scripts that fail in the analysis pass or while loading with -info: each
// ends with its message and status 255, never with a signal.
#include "e2e_common.h"

namespace e2e {
namespace {

std::string StartThen(const std::string& status) {
  return PipedStartTextFor(FactsOf("standard")) + StatusLine(status) + kBlankStatus;
}

std::string WithPath(std::string text, const std::string& path) {
  const size_t at = text.find("%P");
  return at == std::string::npos ? text : text.replace(at, 2, path);
}

TEST(ScriptAnalysis, RejectsScriptsItCannotMeasure) {
  const std::string no_video = "Script did not return a video clip:\n(%P)";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BlankClip(length=10, width=64, height=48)\n", "Script runtime is too short for accurate measurements"},
      {"x = 1\n", no_video},
      {"42\n", no_video},
      {"BlankClip(length=10)\nKillVideo()\n", no_video},
      {"BlankClip(length=10)\nFoo()\n", "Script error: There is no function named 'Foo'.\n(%P, line 2)"},
      {"BlankClip(length=10)\nTrim(\"a\", \"b\", \"c\", \"d\")\n",
       "Script error: Invalid arguments to function 'Trim'.\n(%P, line 2)"},
  };
  Sandbox sandbox;
  for (const auto& [script, message] : cases) {
    SCOPED_TRACE(script);
    sandbox.WriteScript("a.avs", script);
    ProcessResult r = RunPiped(sandbox, {"a.avs", "-log"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, StartThen("Analysing script...") + "\n" + WithPath(message, sandbox.Path("a.avs")) + "\n");
    EXPECT_EQ(r.out, "");
    // The analysis pass is before the guarded stage: no log, even with -log.
    EXPECT_FALSE(sandbox.Exists("a.log"));
  }
}

TEST(ScriptAnalysis, SlowScriptPassesOnToLoading) {
  // 40 frames of 20 ms: 0.8 s of reading, enough to measure.
  Sandbox sandbox;
  sandbox.WriteScript("slow.avs", "BlankClip(length=40, width=64, height=48)\nNap(20)\n");
  ProcessResult r = RunPiped(sandbox, {"slow.avs"}, std::nullopt, 90s);
  EXPECT_EQ(r.signal, 0) << Describe(r);
  const std::string expected_start =
      StartThen("Analysing script...") + StatusLine("Loading script...") + kBlankStatus + kBlankStatus +
      "\nNumber of frames:                   40\nLength (hh:mm:ss.ms):     00:00:01.667"
      "\nFrame width:                        64\nFrame height:                       48"
      "\nFramerate:                      24.000 (24/1)\nColorspace:                      RGB32\n";
  EXPECT_EQ(r.err.substr(0, expected_start.size()), expected_start) << Describe(r);
}

std::string FaultScript(int frame, const std::string& kind) {
  return "BlankClip(length=10, width=64, height=48)\nFault(" + std::to_string(frame) + ", \"" + kind + "\")\n";
}

// Each kind raised while importing (analysis and -info) and while reading frame 3.
TEST(ScriptFaults, EachKindIsReportedWithItsCodeText) {
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"divide", "Exception 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO"},
      {"access", "Exception 0xC0000005\nSTATUS_ACCESS_VIOLATION"},
      {"stack", "Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW"},
      {"error", "Fault at frame -1\n(%P, line 2)"},
      {"other", "Unknown exception"},
  };
  Sandbox sandbox;
  for (const auto& [kind, text] : kinds) {
    SCOPED_TRACE(kind);
    const std::string message = WithPath(text, sandbox.Path("f.avs"));
    sandbox.WriteScript("f.avs", FaultScript(-1, kind));
    ProcessResult r = RunPiped(sandbox, {"f.avs"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, StartThen("Analysing script...") + "\n" + message + "\n");

    // The failure switches the log on; the report comes after the import, so only the script and error.
    fs::remove(sandbox.Path("f.log"));
    r = RunPiped(sandbox, {"f.avs", "-info"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, StartThen("Loading script...") + "\n" + message + "\n");
    const std::string error_section = kind == "error" ? "\n\n[AviSynth error]\n" + message + "\n" : "";
    std::string script = FaultScript(-1, kind);
    script.pop_back();
    EXPECT_EQ(sandbox.ReadFile("f.log"), "\n\n[Script]\n" + script + "\n\n" + error_section);

    sandbox.WriteScript("f.avs", FaultScript(3, kind));
    r = RunPiped(sandbox, {"f.avs"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, StartThen("Analysing script...") + "\n" +
                         (kind == "error" ? std::string("Fault at frame 3") : message) + "\n");
  }
}

TEST(ScriptFaults, InfoModeScriptWithoutClipIsAnErrorWithLog) {
  Sandbox sandbox;
  for (const std::string script : {"x = 1\n", "\"text\"\n"}) {
    SCOPED_TRACE(script);
    sandbox.WriteScript("none.avs", script);
    fs::remove(sandbox.Path("none.log"));
    ProcessResult r = RunPiped(sandbox, {"none.avs", "-info"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string message = "\"" + sandbox.Path("none.avs") + "\":\nScript did not return a clip";
    // Import itself succeeded, so its status line was taken back before the check.
    EXPECT_EQ(r.err, StartThen("Loading script...") + kBlankStatus + "\n" + message + "\n");
    EXPECT_EQ(sandbox.ReadFile("none.log"), "\n\n[Script]\n" + script.substr(0, script.size() - 1) + "\n\n" +
                                                "\n\n[AviSynth error]\n" + message + "\n");
  }
}

TEST(ScriptFaults, TerminalIsLeftInItsNormalModeAfterAFault) {
  for (const auto& args : {std::vector<std::string>{"f.avs"}, {"f.avs", "-info"}}) {
    SCOPED_TRACE(args.size() == 1 ? "analysis" : "loading");
    Sandbox sandbox;
    sandbox.WriteScript("f.avs", FaultScript(-1, "stack"));
    TerminalSession term(sandbox, args);
    ExitResult exit = term.WaitForExit();
    ASSERT_TRUE(exit.ended);
    EXPECT_EQ(exit.signal, 0);
    EXPECT_EQ(exit.exit_status, 255);
    EXPECT_NE(term.ScreenText().find("Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW"), std::string::npos)
        << term.ScreenText();
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  }
}

// Unloading the library under Prefetch's threads used to crash before the log was written.
TEST(ScriptLoading, ErrorAfterFilterThreadsStartedStillEndsWithTheLog) {
  Sandbox sandbox;
  sandbox.WriteScript("a.avs", "BlankClip(length=100)\nPrefetch(2)\nFoo()\n");
  ProcessResult r = RunPiped(sandbox, {"a.avs", "-info"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.signal, 0) << Describe(r);
  EXPECT_NE(sandbox.ReadFile("a.log").find("[AviSynth error]\nScript error: There is no function named 'Foo'."),
            std::string::npos);
}

}  // namespace
}  // namespace e2e
