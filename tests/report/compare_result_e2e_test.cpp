// korbinet-report over a korbinet-compare result, written by korbinet-compare's own writer from fixed rounds.
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

class CompareResultPage : public testing::Test {
 protected:
  ProcessResult Report(const std::vector<std::string>& args) {
    return RunPiped(sandbox_, args, std::nullopt, 60s, BuildDir() + "/bin/korbinet-report");
  }
  Sandbox sandbox_;
};

TEST_F(CompareResultPage, DrawsRoundsRatiosAndTheSweep) {
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
  const ProcessResult outline = RunPiped(sandbox_, {KORBINET_SOURCE_DIR "/tests/report/compare_outline.py", "r.html"},
                                         std::nullopt, 60s, KORBINET_PYTHON3);
  ASSERT_EQ(outline.exit_status, 0) << outline.err;
  // Five counted rounds a variant, one of them ringed as an outlier; the failed variant has no interval drawn.
  EXPECT_EQ(outline.out, "Korbinet comparison: 3 variants\n"
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

// The readers' own messages are pinned by their unit tests; here the program's prefix and statuses.
TEST_F(CompareResultPage, RefusesANewerSchemaAndOtherFilesBeside) {
  std::string newer = ResultFile();
  newer.replace(newer.find("\"schema\": 1"), 11, "\"schema\": 2");
  sandbox_.WriteFile("newer.json", newer);
  sandbox_.WriteFile("r.json", ResultFile());
  const struct { std::vector<std::string> args; int status; std::string message; } cases[] = {
      {{"newer.json"}, 1, "korbinet-report: newer.json, line 2: schema: 2 is newer than this korbinet-report reads (1); "
                          "a later korbinet-report draws it\n"},
      {{"r.json", "r.json"}, 2, "korbinet-report: r.json: a korbinet-compare result is drawn alone, without other files, "
                                "--label or --baseline\nusage: "},
      {{"r.json", "-o", "./r.json"}, 2, "korbinet-report: ./r.json: is the result file; the report must go elsewhere\n"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Report(c.args);
    EXPECT_EQ(r.exit_status, c.status) << c.args[0];
    EXPECT_EQ(r.err.substr(0, c.message.size()) + r.out, c.message);
  }
  EXPECT_FALSE(sandbox_.Exists("newer.html"));
  EXPECT_EQ(sandbox_.ReadFile("r.json"), ResultFile());
}

}  // namespace
}  // namespace e2e
