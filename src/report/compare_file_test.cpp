#include "report/compare_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>

#include "compare/compare_json.h"
#include "report/compare_page.h"

namespace report {
namespace {

// Two scripts with Prefetch 1 and 2 over four blocks, the first a warm-up,
// one variant failed, through korbinet-compare's own statistics and writer.
compare::CompareResult SampleRun() {
  compare::CompareResult r;
  std::string error;
  EXPECT_TRUE(compare::ParseCompareOptions({"--prefetch", "1,2", "--var", "Mode=<b>", "--maxcpu", "",
                                            "--fail-if-slower", "5", "a.avs", "b.avs"},
                                           &r.options, &error))
      << error;
  for (size_t block = 0; block < 4; ++block) {
    for (size_t v = 0; v < 4; ++v) {
      r.rounds.push_back({v, block, 3 - v, 100 + 50 * (v % 2) + block % 3, 1.0 + 0.01 * v, 0.5, 1ull << 40, int(v)});
    }
  }
  r.outcomes.resize(4);
  r.outcomes[3].error = "Script error:\n\tline 3";
  r.outcomes[0].library_version = "AviSynth+ 3.7.5";
  r.outcomes[0].library_file_version = "3.7.5.0";
  r.machine.cores = 2;
  r.machine.os = "Linux";
  r.machine.load_average_start = 0.5;
  r.program_version = "2.1.6";
  compare::Summarise(&r);
  return r;
}

std::string Parse(const std::string& text, CompareFile* file) {
  std::string error;
  return ParseCompareFile(InputFile{"r.json", text}, file, &error) ? "" : error;
}

// Figures as exact text; null for NaN, as in the file.
std::string Figures(std::initializer_list<double> values) {
  std::string text;
  char figure[32];
  for (double v : values) text += std::isnan(v) ? "null " : (std::snprintf(figure, sizeof figure, "%.17g ", v), figure);
  return text;
}

TEST(CompareFile, ReadsBackWhatKorbinetCompareWrites) {
  const compare::CompareResult r = SampleRun();
  CompareFile file;
  ASSERT_EQ(Parse(compare::ResultJson(r), &file), "");
  EXPECT_EQ(file.program_version + "|" + file.machine.os + "|" + file.machine.processor + "|" + file.settings.order,
            "2.1.6|Linux||forward");
  EXPECT_EQ(Figures({double(file.machine.cores), file.machine.load_average_start, file.machine.load_average_end,
                     double(file.settings.baseline), double(file.settings.warmup_blocks),
                     file.settings.fail_if_slower_percent, double(file.settings.max_blocks)}),
            Figures({2, 0.5, compare::kNaN, 1, 1, 5, 0}));
  ASSERT_EQ(file.variants.size(), 4u);
  for (size_t v = 0; v < 4; ++v) {
    const CompareVariant& read = file.variants[v];
    const compare::Variant& variant = r.options.variants[v];
    const compare::VariantStats& stats = r.outcomes[v].stats;
    const std::string what = "variant " + std::to_string(v + 1);
    EXPECT_EQ(std::make_tuple(read.label, read.script, read.prefetch, read.maxcpu, read.vars, read.error.value_or("")),
              std::make_tuple(variant.label, variant.script, variant.prefetch, variant.max_cpu, variant.vars,
                              r.outcomes[v].error))
        << what;
    EXPECT_FALSE(read.library.has_value()) << what;
    EXPECT_EQ(Figures({double(read.stats.rounds), read.stats.median_fps, read.stats.mad_fps, read.stats.sd_fps,
                       read.stats.cpu_ms_per_frame, double(read.stats.peak_memory_bytes),
                       double(read.stats.outlier_blocks.size())}),
              Figures({double(stats.rounds), stats.median_fps, stats.mad_fps, stats.sd_fps, stats.cpu_ms_per_frame,
                       double(stats.peak_memory_bytes), double(stats.outlier_blocks.size())}))
        << what;
    ASSERT_EQ(read.comparison.has_value(), v != 0) << what;
    if (v == 0) continue;
    const compare::Comparison& c = r.outcomes[v].comparison;
    EXPECT_EQ(Figures({double(read.comparison->pairs), read.comparison->ratio, read.comparison->low,
                       read.comparison->high}) + read.comparison->verdict,
              Figures({double(c.pairs), c.ratio, c.low, c.high}) + compare::VerdictName(c.verdict))
        << what;
  }
  EXPECT_EQ(file.variants[0].library_version, "AviSynth+ 3.7.5");
  EXPECT_EQ(file.variants[0].library_file_version, "3.7.5.0");
  ASSERT_EQ(file.rounds.size(), r.rounds.size());
  for (size_t i = 0; i < r.rounds.size(); ++i) {
    const compare::Round& w = r.rounds[i];
    const CompareRound& read = file.rounds[i];
    EXPECT_EQ(std::vector<uint64_t>({read.variant, read.block, read.position, read.warmup, read.frames,
                                     read.peak_memory_bytes, uint64_t(read.threads)}),
              std::vector<uint64_t>({w.variant + 1, w.block + 1, w.position + 1, w.block == 0, w.frames,
                                     w.peak_memory_bytes, uint64_t(w.threads)}));
    EXPECT_EQ(Figures({read.wall_seconds, read.fps}), Figures({w.wall_seconds, compare::RoundFps(w)}));
  }
  // Both prefetch sweeps, one per script; the variable has one value and names none.
  const Sweep sweep = FindSweep(file);
  EXPECT_EQ(sweep.setting, "prefetch");
  ASSERT_EQ(sweep.series.size(), 2u);
  EXPECT_EQ(sweep.series[1].name, "b.avs");
  EXPECT_EQ(sweep.series[1].variants, (std::vector<size_t>{2, 3}));
  EXPECT_EQ(sweep.series[1].values, (std::vector<double>{1, 2}));
}

// The smallest file the schema allows: fields that may be null left out, and
// fields of a later writer beside them.
const std::string kMinimal = R"({"schema": 1, "program": {"name": "korbinet-compare", "version": "2.2"},
 "machine": {"gpu": "x"},
 "settings": {"round_seconds": 1, "warmup_blocks": 1, "max_seconds": 120, "order": "forward", "baseline": 1,
  "margin_percent": 2, "confidence": 0.95, "resamples": 10000, "seed": 1},
 "variants": [{"number": 1, "label": "a", "script": "a.avs",
  "statistics": {"rounds": 0, "outlier_blocks": [], "peak_memory_bytes": 0, "threads": 0},
  "stages": [{"name": "Blur", "calls": 3, "self_seconds": 0.5, "inclusive_seconds": 0.75, "share": 1}]}],
 "rounds": [{"variant": 1, "block": 1, "position": 1, "warmup": true, "frames": 10, "wall_seconds": 1,
  "cpu_seconds": 1, "peak_memory_bytes": 0, "threads": 1, "outlier": false}]}
)";

TEST(CompareFile, ToleratesMissingNullsAndUnknownFields) {
  CompareFile file;
  ASSERT_EQ(Parse(kMinimal, &file), "");
  ASSERT_EQ(file.variants.size(), 1u);
  EXPECT_EQ(Figures({file.variants[0].stats.median_fps, file.rounds[0].fps, file.settings.fail_if_slower_percent}),
            "null null null ");
  EXPECT_FALSE(file.variants[0].prefetch.has_value());
  ASSERT_EQ(file.variants[0].stages.size(), 1u);
  EXPECT_EQ(file.variants[0].stages[0].inclusive_seconds, 0.75);
}

TEST(CompareFile, RefusesFilesOutsideTheSchemaNamingThePlace) {
  auto with = [](const std::string& from, const std::string& to) {
    std::string text = kMinimal;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const struct { std::string text, message; } cases[] = {
      {"{\"schema\": 1}", "r.json: not a result of korbinet-compare (no \"schema\" and \"program\": "
                          "{\"name\": \"korbinet-compare\"})"},
      {with("\"schema\": 1", "\"schema\": 2"),
       "r.json, line 1: schema: 2 is newer than this korbinet-report reads (1); a later korbinet-report draws it"},
      {with("\"schema\": 1", "\"schema\": 1.5"), "r.json, line 1: schema: 1.5 is not a whole number from 1 to "
                                                 "9223372036854775807"},
      {with("\"version\": \"2.2\"", "\"version\": 2"), "r.json, line 1: program.version: a text expected, found a number"},
      {with("\"baseline\": 1", "\"baseline\": 2"), "r.json, line 3: settings.baseline: 2 is not a whole number from 1 to 1"},
      {with("\"seed\": 1", "\"seed\": -1"), "r.json, line 4: settings.seed: -1 is not a whole number from 0 to "
                                            "18446744073709551615"},
      {with("\"confidence\": 0.95", "\"confidence\": 1"), "r.json, line 4: settings.confidence: not below 1"},
      {with("\"number\": 1", "\"number\": 2"), "r.json, line 5: variants[1].number: not 1, its place in the list"},
      {with("\"label\": \"a\", ", ""), "r.json, line 5: variants[1]: no \"label\""},
      {with("\"rounds\": 0", "\"rounds\": null"), "r.json, line 6: variants[1].statistics.rounds: a number expected, found null"},
      {with("\"outlier_blocks\": []", "\"outlier_blocks\": [0]"),
       "r.json, line 6: variants[1].statistics.outlier_blocks[1]: 0 is not a whole number from 1 to 9223372036854775807"},
      {with("\"stages\"", "\"comparison\": {\"pairs\": 2, \"ratio\": 1, \"low\": 1.1, \"high\": 0.9, \"verdict\": \"same\"},"
                          "\"stages\""),
       "r.json, line 7: variants[1].comparison.low: above high"},
      {with("\"stages\"", "\"comparison\": {\"pairs\": 2, \"verdict\": \"quick\"}, \"stages\""),
       "r.json, line 7: variants[1].comparison.verdict: not faster, slower, same or undecided"},
      {with("\"variant\": 1", "\"variant\": 2"), "r.json, line 8: rounds[1].variant: 2 is not a whole number from 1 to 1"},
      {with("\"wall_seconds\": 1", "\"wall_seconds\": -1"), "r.json, line 8: rounds[1].wall_seconds: -1 is not from 0 to 1e+15"},
      {with("\"wall_seconds\": 1", "\"wall_seconds\": 1e300"),
       "r.json, line 8: rounds[1].wall_seconds: 1e300 is not from 0 to 1e+15"},
      {with("\"warmup\": true", "\"warmup\": 1"), "r.json, line 8: rounds[1].warmup: true or false expected, found a number"},
      {with("\"rounds\": [", "\"rounds\": [7, "), "r.json, line 8: rounds[1]: an object expected, found a number"},
      {with("\"calls\": 3", "\"calls\": -3"),
       "r.json, line 7: variants[1].stages[1].calls: -3 is not a whole number from 0 to 9223372036854775807"},
      {with("\"machine\": {\"gpu\": \"x\"}", "\"machine\": []"), "r.json, line 2: machine: an object expected, found an array"},
      {with("\"script\": \"a.avs\"", "\"script\": \"a.avs\", \"vars\": {\"\\u001b[2J\": 1}"),
       "r.json, line 5: variants[1].vars.?[2J: a text expected, found a number"},
  };
  for (const auto& c : cases) {
    CompareFile file;
    EXPECT_EQ(Parse(c.text, &file), c.message) << c.text;
  }
}

// Values a double apart cannot be told apart on an axis; drawing them must not
// step along it for ever.
TEST(CompareFile, AVariableBeyondAnAxisIsNoSweep) {
  CompareFile file;
  ASSERT_EQ(Parse(kMinimal, &file), "");
  file.variants[0].stats.median_fps = 10;
  file.variants.push_back(file.variants[0]);
  file.variants[0].vars = {{"N", "1e300"}};
  file.variants[1].vars = {{"N", "1.0000000000000002e300"}};
  EXPECT_TRUE(FindSweep(file).series.empty());
  file.variants[1].vars = {{"N", "2"}};
  file.variants[0].vars = {{"N", "1.5"}};
  EXPECT_EQ(FindSweep(file).setting, "N");
  EXPECT_NE(ComparePage(file).find("data-chart=\"sweep-speed\""), std::string::npos);
}

}  // namespace
}  // namespace report
