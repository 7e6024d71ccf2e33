// korbinet-report over real runs: two bundled examples benchmarked with
// -log -csv in a sandbox, then the report over both CSV files.
#include "e2e_common.h"

namespace e2e {
namespace {

class ReportRuns : public testing::Test {
 protected:
  void SetUp() override { fs::create_directory(sandbox_.Path("runs")); }
  ProcessResult Report(const std::vector<std::string>& args) {
    return RunPiped(sandbox_, args, std::nullopt, 60s, BuildDir() + "/bin/korbinet-report");
  }
  void Benchmark(const std::string& example) {
    fs::copy_file(KORBINET_SOURCE_DIR "/examples/" + example, sandbox_.Path("runs/" + example));
    const ProcessResult r = RunPiped(sandbox_, {"runs/" + example, "-log", "-csv"});
    ASSERT_EQ(r.exit_status, 0) << Describe(r);
  }
  std::string Outline(const std::string& page) {
    const ProcessResult r = RunPiped(sandbox_, {KORBINET_SOURCE_DIR "/tests/report/page_outline.py", page},
                                     std::nullopt, 60s, KORBINET_PYTHON3);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    return r.out;
  }

  Sandbox sandbox_{{.settings = {{"UseColor", "0"}}}};
};

TEST_F(ReportRuns, TwoExamplesSideBySide) {
  Benchmark("fields_audio.avs");
  Benchmark("prefetch.avs");
  // The bundled frame server has no graph analysis, so -log leaves no graph file.
  EXPECT_FALSE(sandbox_.Exists("runs/prefetch.graph.dot"));
  const ProcessResult r = Report({"runs/fields_audio.csv", "runs/prefetch.csv", "-o", "both.html",
                                  "--label", "four ms", "--baseline", "2"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Figures set the widths of their columns; every line ends in the right-aligned thread count.
  const std::string fps3 = R"(( +\d+\.\d{3}){3})";
  const std::string cpu_to_threads = R"( +\d+% +(\d+\.\d{3}|n/a)( +\d+){3}\n)";
  EXPECT_TRUE(Matches(r.out, "Run  Label                Frames +Avg fps +Min fps +Max fps +Ratio +CPU +Efficiency +"
                             "Phys MB +Virt MB +Threads\n"
                             "1    four ms                 500" + fps3 + R"( +\d\.\d{3})" + cpu_to_threads +
                             "2\\*   prefetch\\.avs \\(runs\\)    1200" + fps3 + " +1\\.000" + cpu_to_threads +
                             "\nReport: both\\.html\n")) << r.out;
  const std::vector<std::string> lines = Split(r.out);
  for (size_t i : {1, 2}) EXPECT_EQ(lines.at(i).size(), lines[0].size()) << r.out;
  EXPECT_EQ(Outline("both.html"), "Korbinet comparison: 2 runs\nfps 2\ncpu 2\nmemory 2\nthreads 2\n"
                                  "script: Spin(4000)\nscript: Prefetch(2)\n");

  // One run alone: its page beside the CSV, both series of the pairs drawn.
  ASSERT_EQ(Report({"runs/prefetch.csv"}).exit_status, 0);
  EXPECT_EQ(Outline("runs/prefetch.html"), "Korbinet run: prefetch.avs (runs)\nfps 2\ncpu 1\nmemory 2\nthreads 1\n"
                                           "script: Prefetch(2)\n");
}

// Names and texts from the files reach the page as data: it still parses, and reads back as they were.
TEST_F(ReportRuns, MarkupInNamesAndScriptsIsEscaped) {
  const std::string folder = "runs/a<b&\"c'd", script = "# </script><b>&amp; \"q\" 'a'";
  fs::create_directory(sandbox_.Path(folder));
  sandbox_.WriteFile(folder + "/x&y.avs", SpinClip(150, 4000) + script + "\n");
  ASSERT_EQ(RunPiped(sandbox_, {folder + "/x&y.avs", "-log", "-csv"}).exit_status, 0);
  ASSERT_EQ(Report({folder + "/x&y.csv", "-o", "page.html"}).exit_status, 0);
  EXPECT_EQ(Outline("page.html"), "Korbinet run: x&y.avs (a<b&\"c'd)\nfps 2\ncpu 1\nmemory 2\nthreads 1\n"
                                  "script: " + script + "\n");
  // Quotes too, which the parser would have let through in text.
  EXPECT_NE(sandbox_.ReadFile("page.html").find("\n# &lt;/script&gt;&lt;b&gt;&amp;amp; &quot;q&quot; &#39;a&#39;\n</pre>"),
            std::string::npos);
}

// A Prefetch(2) run on the real AviSynth+, slow enough per frame for a record per frame: a frame
// the workers made ahead arrives in microseconds and its record claims up to a million frames a
// second, yet the page's speed axis stays within a few times the run's own rate. The summary counts
// the workers: the library keeps two threads of its own without Prefetch, so with the main thread
// and the two workers there are five.
TEST_F(ReportRuns, RealPrefetchRunWithARecordPerFrameKeepsTheSpeedAxisNearItsRate) {
  if (!fs::exists(KORBINET_REAL_AVISYNTH)) GTEST_SKIP() << "no real AviSynth+ at " << KORBINET_REAL_AVISYNTH;
  Sandbox sandbox({.variant = KORBINET_REAL_AVISYNTH, .unprivileged = true});
  // Over 10 ms a frame even on a fast machine with both workers, so the analysis picks interval 1.
  std::string script = "ColorBars(width=1920, height=1080, pixel_type=\"YV12\").Trim(0,199)";
  for (int i = 0; i < 40; ++i) script += ".Blur(1.0)";
  sandbox.WriteFile("resize.avs", script + "\nPrefetch(2)\n");
  const ProcessResult run = RunPiped(sandbox, {"resize.avs", "-csv"}, std::nullopt, 120s);
  ASSERT_EQ(run.exit_status, 0) << Describe(run);
  EXPECT_TRUE(std::regex_search(run.err, std::regex("\rThread count: +([5-9]|[1-9]\\d+)\n"))) << Describe(run);
  const std::vector<std::string> rows = Split(sandbox.ReadFile("resize.csv"));
  ASSERT_GT(rows.size(), 2u);
  ASSERT_EQ(Split(rows[1], ',')[0] + " " + Split(rows[2], ',')[0], "1 2") << "not a record per frame";
  const double average = std::stod(Split(rows.back(), ',').at(2));
  double fastest = 0;
  for (size_t i = 1; i < rows.size(); ++i) fastest = std::max(fastest, std::stod(Split(rows[i], ',').at(1)));

  const ProcessResult page = RunPiped(sandbox, {"resize.csv"}, std::nullopt, 60s, BuildDir() + "/bin/korbinet-report");
  ASSERT_EQ(page.exit_status, 0) << page.err;
  std::smatch top;
  const std::string html = sandbox.ReadFile("resize.html");
  ASSERT_TRUE(std::regex_search(html, top, std::regex("data-chart=\"fps\"[^>]*data-y-top=\"([0-9.]+)\"")));
  EXPECT_GE(std::stod(top[1]), average);
  EXPECT_LE(std::stod(top[1]), 4 * average) << "fastest record " << fastest << " fps";
}

// With graph analysis in the library, a run with -log leaves the filter graph beside its log, and
// the page lists the nodes that hold frames, as the library counted them.
TEST_F(ReportRuns, RealRunWithALogLeavesTheFilterGraphForThePage) {
  if (!fs::exists(KORBINET_REAL_AVISYNTH)) GTEST_SKIP() << "no real AviSynth+ at " << KORBINET_REAL_AVISYNTH;
  Sandbox sandbox({.variant = KORBINET_REAL_AVISYNTH, .unprivileged = true});
  // Long enough for the analysis pass to measure it; the resize's frames are the largest, so its
  // node is listed whatever the library counts for the others.
  std::string script = "ColorBars(width=1920, height=1080, pixel_type=\"YV12\").Trim(0,99)";
  for (int i = 0; i < 10; ++i) script += ".Blur(1.0)";
  sandbox.WriteFile("graph.avs", script + "\nSpline36Resize(2560,1440)\nInvert()\n");
  const ProcessResult run = RunPiped(sandbox, {"graph.avs", "-log", "-csv"}, std::nullopt, 120s);
  ASSERT_EQ(run.exit_status, 0) << Describe(run);
  const std::string graph = sandbox.ReadFile("graph.graph.dot");
  EXPECT_EQ(graph.substr(0, 8), "digraph ");
  std::smatch held;
  ASSERT_TRUE(std::regex_search(graph, held, std::regex(R"((clip\d+) \[label = "Spline36Resize\\nCPU: (\d+) frames, ([0-9,]+) bytes"\];)")))
      << graph;

  const ProcessResult page = RunPiped(sandbox, {"graph.csv"}, std::nullopt, 60s, BuildDir() + "/bin/korbinet-report");
  ASSERT_EQ(page.exit_status, 0) << page.err;
  const std::string html = sandbox.ReadFile("graph.html");
  const size_t table = html.find("<h2>Memory per filter</h2>");
  ASSERT_NE(table, std::string::npos) << html;
  EXPECT_NE(html.find("<tr><td class=\"label\">Spline36Resize</td><td class=\"label\">" + held[1].str() +
                          "</td><td>" + held[2].str() + "</td><td>" + held[3].str() + "</td><td>",
                      table),
            std::string::npos)
      << html.substr(table);
}

// The readers' own messages are pinned by their unit tests; here the
// program's prefix, statuses and usage.
TEST_F(ReportRuns, BadInputAndUsageEndWithAMessageAndStatus) {
  const std::string good = "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),"
                           "Threads,PhysMEM(MB),VirtMEM(MB)\n10,25.000,25.000,40.000000,40.000000,5,1,2,3\n";
  sandbox_.WriteFile("runs/cut.csv", good.substr(0, good.size() - 30));
  sandbox_.WriteFile("runs/good.csv", good);
  const struct { std::vector<std::string> args; int status; std::string message; } cases[] = {
      {{"runs/missing.csv"}, 1, "korbinet-report: runs/missing.csv: no such file\n"},
      {{"runs/cut.csv"}, 1, "korbinet-report: runs/cut.csv, line 2: 3 fields, expected 9 (a truncated row)\n"},
      {{"runs/cut.csv", "--baseline"}, 2, "korbinet-report: --baseline needs a value\nusage: "},
      {{"runs/good.csv", "-o", "runs/good.csv"}, 2,
       "korbinet-report: runs/good.csv: is one of the runs' files; the report must go elsewhere\n"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Report(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.args[0];
    EXPECT_EQ(r.err.substr(0, c.message.size()) + r.out, c.message);
  }
  EXPECT_FALSE(sandbox_.Exists("runs/cut.html"));
  EXPECT_EQ(sandbox_.ReadFile("runs/good.csv"), good);
}

}  // namespace
}  // namespace e2e
