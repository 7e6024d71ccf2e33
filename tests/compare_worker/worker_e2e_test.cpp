// korbinet-compare's worker driven through its pipes as the controller
// drives it: the answers' exact form, the set-up reaching the script, the
// refusals, and the error texts korbinet prints for the same failures.
#include <fstream>

#include "e2e_common.h"

namespace e2e {
namespace {

// The worker program copied beside the sandbox's library and settings file,
// where it looks for them as korbinet does.
ProcessResult RunWorker(Sandbox& sandbox, const std::string& commands) {
  const std::string worker = sandbox.Path("worker");
  if (!fs::exists(worker)) fs::copy_file(BuildDir() + "/bin/korbinet-compare-worker-test", worker);
  return RunPiped(sandbox, {}, commands, std::chrono::seconds(60), worker);
}

// What korbinet prints for a failure before its run: the last message, after
// the status line's erasure, without the line breaks around it.
std::string KorbinetError(Sandbox& sandbox, const std::string& script) {
  const ProcessResult r = RunPiped(sandbox, {script});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  size_t start = r.err.rfind('\r');
  if (start == std::string::npos || r.err.back() != '\n') return "unexpected: " + r.err;
  start += r.err[start + 1] == '\n' ? 2 : 1;
  return r.err.substr(start, r.err.size() - start - 1);
}

// The error answer's text, unescaped as the controller reads it.
std::string Escaped(const std::string& text) {
  return std::regex_replace(std::regex_replace(text, std::regex(R"(\\)"), R"(\\)"), std::regex("\n"), R"(\n)");
}

// The answer to "load": frames 0 to `last`, the analysis's interval and the library.
std::string Ready(int last) {
  return "ready\t0\t" + std::to_string(last) + "\t\\d+\tReference Frame Server 1\\.0\\.0 \\(x86_64\\)\t1\\.0\\.0\\.0\n";
}
// Frames, at least the round's 0.2 s, some processor time, memory, threads.
const std::string kRound = "round\t[1-9]\\d*\t(?:0\\.[2-9]|[1-9])[\\d.]*\t[\\d.]*[1-9][\\d.]*\t[1-9]\\d*\t[1-9]\\d*\n";

TEST(CompareWorker, LoadsMeasuresRoundsAndCountsStages) {
  Sandbox sandbox;
  sandbox.WriteFile("s.avs", "BlankClip(length=1000, width=64, height=48).Spin(100).KorbinetStage(\"spin\")\n");
  const ProcessResult r = RunWorker(
      sandbox, "script\ts.avs\norder\treverse\nseed\t7\nload\nround\t0.2\nround\t0.2\nstages\nquit\nround\t1\n");
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  EXPECT_EQ(r.err, "");
  const std::string stage = "stage\tspin\t(\\d+)\t(\\d\\.\\d+)\t\\4\nend\n";  // one stage: self = inclusive
  std::smatch m;
  ASSERT_TRUE(std::regex_match(r.out, m, std::regex(Ready(999) + "(" + kRound + ")(" + kRound + ")" + stage))) << r.out;
  // The markers saw the analysis's frames and every round's.
  const auto frames = [](const std::string& line) { return std::stoll(Split(line, '\t')[1]); };
  EXPECT_GT(std::stoll(m[3]), frames(m[1]) + frames(m[2]));
}

// The set-up reaching the script, what the library cannot honour (status 1), a fault in a round (status 1,
// with its text) and commands the worker cannot take (status 2).
TEST(CompareWorker, AnswersEachCommandList) {
  Sandbox sandbox;
  sandbox.WriteFile("n.avs", "BlankClip(length=n, width=64, height=48)\n");
  sandbox.WriteFile("p.avs", "BlankClip(length=20, width=64, height=48)\n");
  sandbox.WriteFile("own.avs", "BlankClip(length=20, width=64, height=48) # no Prefetch here\nPrefetch(2)\n");
  // The analysis reads 50 frames; the round reaches frame 500.
  sandbox.WriteFile("f.avs", "BlankClip(length=1000, width=64, height=48)\nFault(500, \"access\")\n");
  struct Case { std::string commands, out; int status; };  // out: a pattern
  for (const Case& c : {
           Case{"var\tn\t37\nscript\tn.avs\nload\n", Ready(36), 0},
           // Wrapped: Prefetch's two threads run beside the main one. The empty level only labels
           // the variant.
           {"script\tp.avs\nprefetch\t2\nmaxcpu\t\nload\nround\t0.1\n",
            Ready(19) + "round\t\\d+\t[\\d.]+\t[\\d.e-]+\t\\d+\t3\n", 0},
           {"script\town.avs\nprefetch\t2\nload\n",
            "error\tThe script calls Prefetch itself; --prefetch cannot wrap it in another\\.\n", 3},
           {"script\tp.avs\nmaxcpu\tnone\nload\n",
            "error\tThe AviSynth library has no SetMaxCPU; --maxcpu cannot be honoured\\.\n", 3},
           {"script\tp.avs\nmemorymax\t512\nload\n",
            "error\tThe AviSynth library has no SetMemoryMax; --memory-max cannot be honoured\\.\n", 3},
           {"script\tf.avs\nload\nround\t5\nstages\n",
            Ready(999) + "error\tException 0xC0000005\\\\nSTATUS_ACCESS_VIOLATION\n", 1},
           {"bogus\tx\n", "error\tunknown command: bogus\n", 2},
           {"round\t1\n", "error\tbad command: round 1\n", 2},
           {"script\tp.avs\nscript\tp.avs\n", "error\tbad command: script p.avs\n", 2},
           {"prefetch\ttwo\n", "error\tbad command: prefetch two\n", 2},
           {"script\tp.avs\nload\nround\tinf\n", Ready(19) + "error\tbad command: round inf\n", 2},
           {"load\n", "error\tbad command: load\n", 2},
       }) {
    SCOPED_TRACE(c.commands);
    const ProcessResult r = RunWorker(sandbox, c.commands);
    EXPECT_EQ(r.exit_status, c.status) << Describe(r);
    EXPECT_TRUE(Matches(r.out, c.out)) << r.out;
  }
}

TEST(CompareWorker, FailuresCarryKorbinetsTexts) {
  struct Case { std::string name, script; std::map<std::string, std::string> settings = {}; };
  for (const Case& c : {
           Case{"syntax", "BlankClip(length=10, width=64, height=48) +"},
           {"no_video", "x = 1"},
           {"no_frames", "BlankClip(length=0, width=64, height=48)"},
           {"import_fault", "BlankClip(length=10, width=64, height=48)\nFault(-1, \"access\")"},
           {"frame_fault", "BlankClip(length=10, width=64, height=48)\nFault(3, \"divide\")"},
           // The library named by korbinet's settings file, which the worker reads too.
           {"missing_library", "BlankClip()", {{"AVSDLL", "/nonexistent/libavisynth.so"}}},
       }) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox({.settings = c.settings});
    sandbox.WriteFile(c.name + ".avs", c.script + "\n");
    const std::string text = KorbinetError(sandbox, c.name + ".avs");
    const ProcessResult r = RunWorker(sandbox, "script\t" + c.name + ".avs\nload\nround\t1\n");
    EXPECT_EQ(r.exit_status, 1) << Describe(r);
    EXPECT_EQ(r.out, "error\t" + Escaped(text) + "\n");
  }
}

// A library whose image the probe accepts but the loader refuses (made for
// another processor): the loader's own reason follows the text, in both.
TEST(CompareWorker, LoaderRefusalGivesTheLoadersReason) {
  Sandbox sandbox;
  const std::string library = sandbox.InstallLibrary("standard", "arm");
  std::fstream(fs::canonical(library), std::ios::in | std::ios::out | std::ios::binary)
      .seekp(18).write("\xb7\0", 2);  // e_machine: AArch64
  sandbox.WriteSettings({{"AVSDLL", library}});
  sandbox.WriteFile("a.avs", "BlankClip()\n");
  const std::string text = KorbinetError(sandbox, "a.avs");
  EXPECT_TRUE(Matches(text, "Cannot load avisynth\\.dll\n" + Literal(library) + ": .+\n")) << text;
  const ProcessResult r = RunWorker(sandbox, "script\ta.avs\nload\n");
  // Without the empty line korbinet prints after it.
  EXPECT_EQ(r.out, "error\t" + Escaped(text.substr(0, text.size() - 1)) + "\n");
}

TEST(CompareWorkerAviSynthPlus, HonoursMaxCpuAndPrefetch) {
  if (!fs::exists(KORBINET_REAL_AVISYNTH)) GTEST_SKIP() << "no real AviSynth+ at " << KORBINET_REAL_AVISYNTH;
  Sandbox sandbox({.variant = KORBINET_REAL_AVISYNTH, .unprivileged = true});
  sandbox.WriteFile("p.avs", "BlankClip(length=n, width=640, height=360).Blur(1.0)\n");
  const ProcessResult r = RunWorker(
      sandbox, "script\tp.avs\nvar\tn\t300\nmaxcpu\tnone\nmemorymax\t256\nprefetch\t2\nload\nround\t0.2\nquit\n");
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  EXPECT_TRUE(Matches(r.out, "ready\t0\t299\t\\d+\tAviSynth\\+ 3\\.7\\.5 [^\t]*\t3\\.7\\.5\\.0\n" + kRound)) << r.out;
  // Prefetch's threads run beside the main one.
  EXPECT_GE(std::stoi(Split(Split(r.out)[1], '\t')[5]), 3) << r.out;
}

}  // namespace
}  // namespace e2e
