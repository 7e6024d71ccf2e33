// korbinet-report over real runs (two bundled examples benchmarked with -log -csv in a sandbox, then the
// report over both CSV files) and over a korbinet-compare result, written by korbinet-compare's own writer
// from fixed rounds.
#include "compare/compare_json.h"
#include "e2e_common.h"

namespace e2e {
namespace {

// Prefetch 1, 2 and 4 over six blocks, the first a warm-up; one round far off, the third variant failed.
std::string ResultFile() {
  compare::CompareResult r;
  std::string error;
  EXPECT_TRUE(compare::ParseCompareOptions({"--prefetch", "1,2,4", "--label", "one <b>&'\"", "--label", "two",
                                            "--label", "four", "a.avs"},
                                           &r.options, &error))
      << error;
  for (size_t block = 0; block < 6; ++block) {
    for (size_t v = 0; v < 3; ++v) {
      const uint64_t frames = (100 << v) - 10 * v + block % 3 + (block == 4 && v == 0 ? 50 : 0);
      r.rounds.push_back({v, block, (block + v) % 3, frames, 1.0, 0.5, 1 << 26, int(v + 2)});
    }
  }
  r.outcomes.resize(3);
  r.outcomes[2].error = "Script error: </pre><script>";
  r.program_version = "2.1.6";
  compare::Summarise(&r);
  // The baseline's stages, in the form the worker's figures take in the file.
  std::string json = compare::ResultJson(r);
  json.insert(json.find("\"comparison\": null"), "\"stages\": [{\"name\": \"Blur<1>\", \"calls\": 606, "
                                                  "\"self_seconds\": 0.25, \"inclusive_seconds\": 0.5}],\n");
  return json;
}

class ReportRuns : public testing::Test {
 protected:
  void SetUp() override { fs::create_directory(sandbox_.Path("runs")); }
  ProcessResult Report(const std::vector<std::string>& args) { return Report(sandbox_, args); }
  static ProcessResult Report(const Sandbox& sandbox, const std::vector<std::string>& args) {
    return RunPiped(sandbox, args, std::nullopt, 60s, BuildDir() + "/bin/korbinet-report");
  }
  void Benchmark(const std::string& example) {
    fs::copy_file(KORBINET_SOURCE_DIR "/examples/" + example, sandbox_.Path("runs/" + example));
    const ProcessResult r = RunPiped(sandbox_, {"runs/" + example, "-log", "-csv"});
    ASSERT_EQ(r.exit_status, 0) << Describe(r);
  }
  // The page as the script (page_outline.py, compare_outline.py) outlines it.
  std::string Outline(const std::string& page, const std::string& script = "page_outline.py") {
    const ProcessResult r = RunPiped(sandbox_, {KORBINET_SOURCE_DIR "/tests/report/" + script, page},
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

TEST_F(ReportRuns, CompareResultDrawsRoundsRatiosAndTheSweep) {
  sandbox_.WriteFile("r.json", ResultFile());
  const ProcessResult r = Report({"r.json"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "#   Label       Median fps  \xC2\xB1 MAD     Ratio  95 % interval  Verdict  CPU ms/frame  Peak MB\n"
            "1*  one <b>&'\"       102.0  \xC2\xB1 1.5  baseline              -        -          4.50       64\n"
            "2   two              191.0  \xC2\xB1 1.5      1.74      1.37-1.90   faster          2.62       64\n"
            "3   four            failed  \xC2\xB1 1.5      3.48      2.73-3.79        -          1.31       64\n"
            "\nReport: r.html\n");
  // Five counted rounds a variant, one of them ringed as an outlier; the failed variant has no interval drawn.
  EXPECT_EQ(Outline("r.html", "compare_outline.py"), "Korbinet comparison: 3 variants\n"
                         "labels: one <b>&'\" | two | four\n"
                         "rounds median=3 round=14 round outlier=1 round warmup=3\n"
                         "ratios interval=1 margin=1 one=1 ratio=1\n"
                         "  verdict: faster: 1.74 x (1.37-1.90)\n"
                         "  verdict: failed\n"
                         "sweep-speed series=1\n"
                         "sweep-efficiency series=1\n"
                         "stages\n"
                         "error: Script error: </pre><script>\n");
  // Quotes too, which the parser would have let through in text.
  const std::string page = sandbox_.ReadFile("r.html");
  EXPECT_NE(page.find("<td class=\"label\">one &lt;b&gt;&amp;&#39;&quot;</td>"), std::string::npos);
  // Per frame of all the baseline's rounds, the warm-up too: 656 frames in 6 s.
  EXPECT_NE(page.find("<tr><td class=\"label\">Blur&lt;1&gt;</td><td>606</td><td>0.381</td><td>0.762</td><td>4.2 %</td></tr>"),
            std::string::npos);
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

// On the real AviSynth+: a Prefetch(2) run, slow enough per frame for a record per frame: a frame
// the workers made ahead arrives in microseconds and its record claims up to a million frames a
// second, yet the page's speed axis stays within a few times the run's own rate. The summary counts
// the workers: the library keeps two threads of its own without Prefetch, so with the main thread
// and the two workers there are five. Then, with graph analysis in the library, a run with -log
// leaves the filter graph beside its log, and the page lists the nodes that hold frames, as the
// library counted them.
TEST_F(ReportRuns, RealRunsKeepTheSpeedAxisNearTheRateAndListTheFilterGraph) {
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
  ASSERT_EQ(Report(sandbox, {"resize.csv"}).exit_status, 0);
  std::smatch top;
  const std::string html = sandbox.ReadFile("resize.html");
  ASSERT_TRUE(std::regex_search(html, top, std::regex("data-chart=\"fps\"[^>]*data-y-top=\"([0-9.]+)\"")));
  EXPECT_GE(std::stod(top[1]), average);
  EXPECT_LE(std::stod(top[1]), 4 * average) << "fastest record " << fastest << " fps";

  // Long enough for the analysis pass to measure it; the resize's frames are the largest, so its
  // node is listed whatever the library counts for the others.
  script = "ColorBars(width=1920, height=1080, pixel_type=\"YV12\").Trim(0,99)";
  for (int i = 0; i < 10; ++i) script += ".Blur(1.0)";
  sandbox.WriteFile("graph.avs", script + "\nSpline36Resize(2560,1440)\nInvert()\n");
  ASSERT_EQ(RunPiped(sandbox, {"graph.avs", "-log", "-csv"}, std::nullopt, 120s).exit_status, 0);
  const std::string graph = sandbox.ReadFile("graph.graph.dot");
  EXPECT_EQ(graph.substr(0, 8), "digraph ");
  std::smatch held;
  ASSERT_TRUE(std::regex_search(graph, held, std::regex(R"((clip\d+) \[label = "Spline36Resize\\nCPU: (\d+) frames, ([0-9,]+) bytes"\];)")))
      << graph;
  ASSERT_EQ(Report(sandbox, {"graph.csv"}).exit_status, 0);
  const std::string page = sandbox.ReadFile("graph.html");
  const size_t table = page.find("<h2>Memory per filter</h2>");
  ASSERT_NE(table, std::string::npos) << page;
  EXPECT_NE(page.find("<tr><td class=\"label\">Spline36Resize</td><td class=\"label\">" + held[1].str() +
                          "</td><td>" + held[2].str() + "</td><td>" + held[3].str() + "</td><td>",
                      table),
            std::string::npos)
      << page.substr(table);
}

// The readers' own messages are pinned by their unit tests; here the
// program's prefix, statuses and usage, for runs and for compare results.
TEST_F(ReportRuns, BadInputAndUsageEndWithAMessageAndStatus) {
  const std::string good = "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),"
                           "Threads,PhysMEM(MB),VirtMEM(MB)\n10,25.000,25.000,40.000000,40.000000,5,1,2,3\n";
  sandbox_.WriteFile("runs/cut.csv", good.substr(0, good.size() - 30));
  sandbox_.WriteFile("runs/good.csv", good);
  std::string newer = ResultFile();
  newer.replace(newer.find("\"schema\": 1"), 11, "\"schema\": 2");
  sandbox_.WriteFile("newer.json", newer);
  sandbox_.WriteFile("r.json", ResultFile());
  const struct { std::vector<std::string> args; int status; std::string message; } cases[] = {
      {{"runs/missing.csv"}, 1, "korbinet-report: runs/missing.csv: no such file\n"},
      {{"runs/cut.csv"}, 1, "korbinet-report: runs/cut.csv, line 2: 3 fields, expected 9 (a truncated row)\n"},
      {{"runs/cut.csv", "--baseline"}, 2, "korbinet-report: --baseline needs a value\nusage: "},
      {{"runs/good.csv", "-o", "runs/good.csv"}, 2,
       "korbinet-report: runs/good.csv: is one of the runs' files; the report must go elsewhere\n"},
      {{"newer.json"}, 1, "korbinet-report: newer.json, line 2: schema: 2 is newer than this korbinet-report reads (1); "
                          "a later korbinet-report draws it\n"},
      {{"r.json", "r.json"}, 2, "korbinet-report: r.json: a korbinet-compare result is drawn alone, without other files, "
                                "--label or --baseline\nusage: "},
      {{"r.json", "-o", "./r.json"}, 2, "korbinet-report: ./r.json: is the result file; the report must go elsewhere\n"},
      // The reason is the failed write's own, for either page.
      {{"runs/good.csv", "-o", "none/p.html"}, 1,
       "korbinet-report: none/p.html: cannot be written: No such file or directory\n"},
      {{"r.json", "-o", "none/r.html"}, 1, "korbinet-report: none/r.html: cannot be written: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Report(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.args[0];
    EXPECT_EQ(r.err.substr(0, c.message.size()) + r.out, c.message);
  }
  EXPECT_FALSE(sandbox_.Exists("runs/cut.html") || sandbox_.Exists("newer.html"));
  EXPECT_EQ(sandbox_.ReadFile("runs/good.csv"), good);
  EXPECT_EQ(sandbox_.ReadFile("r.json"), ResultFile());
}

}  // namespace
}  // namespace e2e
