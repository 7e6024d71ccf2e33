#include "compare/compare_texts.h"

#include <gtest/gtest.h>

namespace compare {
namespace {

// Four variants of one script: the baseline, one faster, one that failed
// and one as fast as the baseline; figures set by hand.
CompareResult Fixture() {
  CompareResult r;
  std::string error;
  EXPECT_TRUE(ParseCompareOptions({"--prefetch", "1,4,8,2", "a.avs"}, &r.options, &error));
  r.outcomes.resize(4);
  auto stats = [&r](size_t v, double median, double mad, double cpu, uint64_t mb) {
    r.outcomes[v].stats = {.rounds = 10, .median_fps = median, .mad_fps = mad, .cpu_ms_per_frame = cpu,
                           .outlier_blocks = {}, .peak_memory_bytes = mb << 20};
  };
  auto compare = [&r](size_t v, double ratio, double low, double high, Verdict verdict) {
    r.outcomes[v].comparison = {.variant = v, .pairs = 10, .ratio = ratio, .low = low, .high = high, .verdict = verdict};
  };
  stats(0, 112.43, 1.27, 8.123, 312);
  stats(1, 182.06, 2.04, 9.05, 498);
  compare(1, 1.6234, 1.5812, 1.6611, Verdict::kFaster);
  r.outcomes[2].error = "Script error: there is no function named \"Spinn\"";
  stats(3, 9.8765, 0.4321, 0.4567, 0);
  compare(3, 1.004, 0.991, 1.017, Verdict::kSame);
  r.rounds = {{0, 0, 0, 100, 1.0, 0.5, 7 << 20, 3}, {1, 0, 1, 181, 0.999, 0.25, 1, 9},
              {0, 1, 1, 0, 0, 0, 0, 0}};
  return r;
}

TEST(CompareTexts, TableAlignsTheFigures) {
  EXPECT_EQ(ResultTable(Fixture()),
            "#  variant        fps   spread     ratio  95 % interval  verdict  cpu ms/frame  peak memory\n"
            "1  prefetch=1   112.4    ± 1.3  baseline  -              -                8.12       312 MB\n"
            "2  prefetch=4   182.1    ± 2.0      1.62  1.58-1.66      faster           9.05       498 MB\n"
            "3  prefetch=8  failed        -         -  -              -                   -            -\n"
            "4  prefetch=2   9.877  ± 0.432     1.004  0.991-1.017    same            0.457            -\n");
  const std::string markdown =
      "| \\# | variant | fps | spread | ratio | 95 % interval | verdict | cpu ms/frame | peak memory |\n"
      "| --: | :-- | --: | --: | --: | :-- | :-- | --: | --: |\n"
      "| 1 | prefetch=1 | 112.4 | ± 1.3 | baseline | - | - | 8.12 | 312 MB |\n";
  EXPECT_EQ(MarkdownTable(Fixture()).substr(0, markdown.size()), markdown);
  // Labels stay text.
  CompareResult r = Fixture();
  r.options.variants[0].label = "a|b *c*\nd";
  EXPECT_NE(MarkdownTable(r).find("| 1 | a\\|b \\*c\\* d | 112.4 |"), std::string::npos);
}

TEST(CompareTexts, OneConclusionPerComparison) {
  EXPECT_EQ(Conclusions(Fixture()),
            "prefetch=4 is 1.62 x faster than prefetch=1 (1.58-1.66, 95 %)\n"
            "prefetch=8 failed and is not compared with prefetch=1\n"
            "prefetch=2 is as fast as prefetch=1 within 2 % (1.004 x, 0.991-1.017, 95 %)\n");
  const struct { double ratio, low, high; Verdict verdict; std::string line; } cases[] = {
      {0.8712, 0.8423, 0.8997, Verdict::kSlower,
       "prefetch=4 is slower than prefetch=1, at 0.87 x its speed (0.84-0.90, 95 %)"},
      {0.8712, 0.8523, 0.8897, Verdict::kSlower,  // narrow: a third decimal
       "prefetch=4 is slower than prefetch=1, at 0.871 x its speed (0.852-0.890, 95 %)"},
      {1.01, 0.97, 1.05, Verdict::kUndecided,
       "prefetch=4 against prefetch=1 is undecided (1.01 x, 0.97-1.05, 95 %): more rounds may tell"},
      {1.2, kNaN, kNaN, Verdict::kUndecided,
       "prefetch=4 against prefetch=1 is undecided: fewer than 2 blocks measured both"},
  };
  for (const auto& c : cases) {
    CompareResult r = Fixture();
    Comparison& k = r.outcomes[1].comparison;
    k.ratio = c.ratio, k.low = c.low, k.high = c.high, k.verdict = c.verdict;
    EXPECT_EQ(Conclusions(r).substr(0, c.line.size() + 1), c.line + "\n");
  }
  CompareResult r = Fixture();
  r.outcomes[0].error = "Cannot load the library";
  r.options.margin_percent = 2.5;
  EXPECT_EQ(Conclusions(r),
            "prefetch=4 is not compared: prefetch=1 failed\n"
            "prefetch=8 failed and is not compared with prefetch=1\n"
            "prefetch=2 is not compared: prefetch=1 failed\n");
  r.outcomes[0].error.clear();
  EXPECT_NE(Conclusions(r).find(" within 2.5 % "), std::string::npos);
}

TEST(CompareTexts, FailuresGiveTheirText) {
  CompareResult r = Fixture();
  r.outcomes[0].error = "two\nlines\n";
  EXPECT_EQ(FailureTexts(r), "prefetch=1 failed:\ntwo\nlines\nprefetch=8 failed:\nScript error: there is no function named \"Spinn\"\n");
}

TEST(CompareTexts, RoundsCsv) {
  CompareResult r = Fixture();
  r.options.variants[1].label = "say \"4\", twice";
  r.outcomes[1].stats.outlier_blocks = {0};
  EXPECT_EQ(RoundsCsv(r),
            "variant,label,block,position,warmup,frames,wall_seconds,cpu_seconds,fps,"
            "peak_memory_bytes,threads,outlier\n"
            "1,prefetch=1,1,1,1,100,1,0.5,100,7340032,3,0\n"
            "2,\"say \"\"4\"\", twice\",1,2,1,181,0.999,0.25,181.1811811811812,1,9,1\n"
            "1,prefetch=1,2,2,0,0,0,0,,0,0,0\n");
}

}  // namespace
}  // namespace compare
