// Scripts that fail: in the analysis pass (too fast, no video, script errors,
// faults while importing or reading frames) and while loading with -info.
// Each must end with its message and status 255, never with a signal.
#include <signal.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "avisynth_expectations.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::string AnalysisStart() {
  return PipedStartTextFor(FactsOf("standard")) + StatusLine("Analysing script...") + kBlankStatus;
}

// Import failed: no blank line after the import, only the handler's.
std::string LoadingFailureStart() {
  return PipedStartTextFor(FactsOf("standard")) + StatusLine("Loading script...") + kBlankStatus;
}

bool CanonicalWithEcho(int fd) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) return false;
  return (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
}

struct AnalysisCase {
  std::string name;
  std::string script;
  std::string message;  // without the surrounding line feeds; %P is the script path
};

std::string WithPath(std::string text, const std::string& path) {
  for (size_t at = text.find("%P"); at != std::string::npos; at = text.find("%P", at + path.size())) {
    text.replace(at, 2, path);
  }
  return text;
}

TEST(ScriptAnalysis, RejectsScriptsItCannotMeasure) {
  const std::vector<AnalysisCase> cases = {
      {"every frame at once", "BlankClip(length=10, width=64, height=48)\n",
       "Script runtime is too short for accurate measurements"},
      {"no value", "x = 1\n", "Script did not return a video clip:\n(%P)"},
      {"a number", "42\n", "Script did not return a video clip:\n(%P)"},
      {"audio only", "BlankClip(length=10)\nKillVideo()\n", "Script did not return a video clip:\n(%P)"},
      {"unknown function", "BlankClip(length=10)\nFoo()\n",
       "Script error: There is no function named 'Foo'.\n(%P, line 2)"},
      {"bad arguments", "BlankClip(length=10)\nTrim(\"a\", \"b\", \"c\", \"d\")\n",
       "Script error: Invalid arguments to function 'Trim'.\n(%P, line 2)"},
  };
  Sandbox sandbox;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox.WriteScript("a.avs", c.script);
    ProcessResult r = RunPiped(sandbox, {"a.avs", "-log"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, AnalysisStart() + "\n" + WithPath(c.message, sandbox.Path("a.avs")) + "\n");
    EXPECT_EQ(r.out, "");
    // The analysis pass is before the guarded stage: no log, even with -log.
    EXPECT_FALSE(sandbox.Exists("a.log"));
  }
}

TEST(ScriptAnalysis, SyntaxErrorShowsTheLibraryMessage) {
  Sandbox sandbox;
  sandbox.WriteScript("a.avs", "# first line\nBlankClip(length=10\n");
  ProcessResult r = RunPiped(sandbox, {"a.avs"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  ASSERT_EQ(r.err.substr(0, AnalysisStart().size()), AnalysisStart()) << Describe(r);
  const std::string message = r.err.substr(AnalysisStart().size());
  // The wording is the library's; the program passes it on whole.
  EXPECT_TRUE(std::regex_match(message, std::regex("\nScript error: [^\n]+\n\\(" + sandbox.Path("a.avs") +
                                                   ", line 2, column [0-9]+\\)\n")))
      << Describe(r);
}

TEST(ScriptAnalysis, SlowScriptPassesOnToLoading) {
  // 40 frames of 20 ms: 0.8 s of reading, enough to measure.
  Sandbox sandbox;
  sandbox.WriteScript("slow.avs", "BlankClip(length=40, width=64, height=48)\nNap(20)\n");
  ProcessResult r = RunPiped(sandbox, {"slow.avs"}, std::nullopt, 90s);
  EXPECT_EQ(r.signal, 0) << Describe(r);
  const std::string expected_start =
      AnalysisStart() + StatusLine("Loading script...") + kBlankStatus + kBlankStatus +
      "\nNumber of frames:                   40\nLength (hh:mm:ss.ms):     00:00:01.667"
      "\nFrame width:                        64\nFrame height:                       48"
      "\nFramerate:                      24.000 (24/1)\nColorspace:                      RGB32\n";
  EXPECT_EQ(r.err.substr(0, expected_start.size()), expected_start) << Describe(r);
}

struct FaultKind {
  std::string kind;
  std::string import_message;  // raised while the script is imported
  std::string frame_message;   // raised when frame 3 is read
};

std::vector<FaultKind> FaultKinds() {
  return {
      {"divide", "Exception 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO",
       "Exception 0xC0000094\nSTATUS_INTEGER_DIVIDE_BY_ZERO"},
      {"access", "Exception 0xC0000005\nSTATUS_ACCESS_VIOLATION", "Exception 0xC0000005\nSTATUS_ACCESS_VIOLATION"},
      {"stack", "Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW", "Exception 0xC00000FD\nSTATUS_STACK_OVERFLOW"},
      {"error", "Fault at frame -1\n(%P, line 2)", "Fault at frame 3"},
      {"other", "Unknown exception", "Unknown exception"},
  };
}

std::string FaultScript(int frame, const std::string& kind) {
  return "BlankClip(length=10, width=64, height=48)\nFault(" + std::to_string(frame) + ", \"" + kind + "\")\n";
}

TEST(ScriptFaults, AnalysisPassReportsFaultsWhileImporting) {
  Sandbox sandbox;
  for (const auto& f : FaultKinds()) {
    SCOPED_TRACE(f.kind);
    sandbox.WriteScript("f.avs", FaultScript(-1, f.kind));
    ProcessResult r = RunPiped(sandbox, {"f.avs"});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, AnalysisStart() + "\n" + WithPath(f.import_message, sandbox.Path("f.avs")) + "\n");
  }
}

TEST(ScriptFaults, AnalysisPassReportsFaultsWhileReadingFrames) {
  Sandbox sandbox;
  for (const auto& f : FaultKinds()) {
    SCOPED_TRACE(f.kind);
    sandbox.WriteScript("f.avs", FaultScript(3, f.kind));
    ProcessResult r = RunPiped(sandbox, {"f.avs"});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, AnalysisStart() + "\n" + f.frame_message + "\n");
  }
}

TEST(ScriptFaults, LoadingReportsFaultsAndWritesTheLog) {
  Sandbox sandbox;
  for (const auto& f : FaultKinds()) {
    SCOPED_TRACE(f.kind);
    sandbox.WriteScript("f.avs", FaultScript(-1, f.kind));
    std::remove(sandbox.Path("f.log").c_str());
    ProcessResult r = RunPiped(sandbox, {"f.avs", "-info"});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string message = WithPath(f.import_message, sandbox.Path("f.avs"));
    EXPECT_EQ(r.err, LoadingFailureStart() + "\n" + message + "\n");
    // The failure switches the log on. The report is built after the import,
    // so the log holds the script and, for the library's own errors, the error.
    ASSERT_TRUE(sandbox.Exists("f.log")) << Describe(r);
    std::string script = FaultScript(-1, f.kind);
    script.pop_back();
    const std::string error_section = f.kind == "error" ? "\n\n[AviSynth error]\n" + message + "\n" : "";
    EXPECT_EQ(sandbox.ReadFile("f.log"), "\n\n[Script]\n" + script + "\n\n" + error_section);
  }
}

TEST(ScriptFaults, InfoModeScriptWithoutClipIsAnErrorWithLog) {
  Sandbox sandbox;
  for (const std::string script : {"x = 1\n", "\"text\"\n"}) {
    SCOPED_TRACE(script);
    sandbox.WriteScript("none.avs", script);
    std::remove(sandbox.Path("none.log").c_str());
    ProcessResult r = RunPiped(sandbox, {"none.avs", "-info"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string message = "\"" + sandbox.Path("none.avs") + "\":\nScript did not return a clip";
    // Import itself succeeded, so its status line was taken back before the check.
    EXPECT_EQ(r.err, LoadingFailureStart() + kBlankStatus + "\n" + message + "\n");
    ASSERT_TRUE(sandbox.Exists("none.log")) << Describe(r);
    EXPECT_EQ(sandbox.ReadFile("none.log"), "\n\n[Script]\n" + script.substr(0, script.size() - 1) + "\n\n" +
                                                "\n\n[AviSynth error]\n" + message + "\n");
  }
}

TEST(ScriptFaults, TerminalIsLeftInItsNormalModeAfterAFault) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"f.avs"}, std::vector<std::string>{"f.avs", "-info"}}) {
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

TEST(ScriptFaults, FaultInALibraryThreadEndsTheProcessButRestoresTheTerminal) {
  // The library's own worker threads are outside every guard: the process
  // cannot go on, but the user's terminal must not be left in raw mode.
  Sandbox sandbox;
  sandbox.WriteScript("mt.avs", "BlankClip(length=100, width=64, height=48)\nFault(3, \"divide\")\nPrefetch(2)\n");
  TerminalSession term(sandbox, {"mt.avs"});
  ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_NE(exit.signal, 0) << "exit status " << exit.exit_status << "\n" << term.ScreenText();
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
}

TEST(ScriptFaults, FaultInALibraryThreadDuringTheFrameLoopRestoresTheTerminal) {
  // The analysis pass stops after 5 s, long before frame 900 at 20 ms a
  // frame on two threads; the frame loop then reads keys in raw mode when
  // a worker faults.
  Sandbox sandbox;
  sandbox.WriteScript("mt.avs",
                      "BlankClip(length=1000, width=64, height=48)\nNap(20)\nFault(900, \"divide\")\nPrefetch(2)\n");
  TerminalSession term(sandbox, {"mt.avs"});
  ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
  EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the frame loop polls keys one by one";
  ExitResult exit = term.WaitForExit(60s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_NE(exit.signal, 0) << "exit status " << exit.exit_status << "\n" << term.ScreenText();
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// A script error after Prefetch has started its threads: the environment is
// not deleted after an error, and unloading the library under its threads
// used to crash the process before the log was written.
TEST(ScriptLoading, ErrorAfterFilterThreadsStartedStillEndsWithTheLog) {
  Sandbox sandbox;
  sandbox.WriteScript("a.avs", "BlankClip(length=100)\nPrefetch(2)\nFoo()\n");
  for (const char* mode : {"-info", "-i"}) {
    SCOPED_TRACE(mode);
    ProcessResult r = RunPiped(sandbox, {"a.avs", mode});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_NE(sandbox.ReadFile("a.log").find("[AviSynth error]\nScript error: There is no function named 'Foo'."),
              std::string::npos);
  }
}

}  // namespace
}  // namespace e2e
