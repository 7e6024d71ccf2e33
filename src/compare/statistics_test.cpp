#include "compare/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "compare/random.h"

namespace compare {
namespace {

Round R(size_t variant, size_t block, uint64_t frames, double wall = 1, double cpu = 0.5) {
  return Round{variant, block, 0, frames, wall, cpu};
}

// Baseline (variant 0) and variant 1, one round each per block from block 1
// on (block 0 is the warm-up), the baseline at the given speeds and the
// variant at those times the ratios.
std::vector<Round> Paired(const std::vector<double>& base_fps, const std::vector<double>& ratios) {
  std::vector<Round> rounds = {R(0, 0, 1), R(1, 0, 1000)};
  for (size_t i = 0; i < ratios.size(); ++i) {
    rounds.push_back(R(0, i + 1, 1000, 1000 / base_fps[i % base_fps.size()]));
    rounds.push_back(R(1, i + 1, 1000, 1000 / (base_fps[i % base_fps.size()] * ratios[i])));
  }
  return rounds;
}

TEST(VariantStats, MedianSpreadOutliersMeansAndDegenerateData) {
  std::vector<Round> rounds = {R(0, 0, 50), R(0, 1, 100), R(0, 2, 102), R(0, 3, 98),
                               R(0, 4, 101), R(0, 5, 140), R(1, 1, 7)};
  rounds[0].peak_memory_bytes = 900;  // the warm-up's peak counts
  rounds[2].peak_memory_bytes = 300;
  rounds[3].threads = 6;
  const VariantStats s = ComputeVariantStats(rounds, 0, 1);
  EXPECT_EQ(std::tie(s.rounds, s.median_fps, s.outlier_blocks, s.peak_memory_bytes, s.threads),
            std::make_tuple(5u, 101.0, std::vector<size_t>{5}, 900u, 6));
  EXPECT_DOUBLE_EQ(s.mad_fps, 1.482602218505602);  // deviations 3 1 0 1 39
  EXPECT_DOUBLE_EQ(s.mean_fps, 108.2);
  EXPECT_NEAR(s.sd_fps, 17.8381613, 1e-6);
  EXPECT_NEAR(s.cpu_ms_per_frame, 2500.0 / 541, 1e-12);

  // An even count takes the middle two's mean; a round without wall time
  // is left out, one without frames is a speed of 0.
  const VariantStats even =
      ComputeVariantStats({R(0, 1, 10), R(0, 2, 0), R(0, 3, 30), R(0, 4, 40), R(0, 5, 9, 0)}, 0, 1);
  EXPECT_EQ(even.rounds, 4u);
  EXPECT_EQ(even.median_fps, 20);
  EXPECT_DOUBLE_EQ(even.mad_fps, 15 * kMadScale);
  EXPECT_TRUE(even.outlier_blocks.empty());

  const VariantStats none = ComputeVariantStats({R(0, 0, 5)}, 0, 1);  // warm-up only
  EXPECT_EQ(none.rounds, 0u);
  EXPECT_TRUE(std::isnan(none.median_fps) && std::isnan(none.mad_fps) &&
              std::isnan(none.mean_fps) && std::isnan(none.cpu_ms_per_frame));
  const VariantStats one = ComputeVariantStats({R(0, 1, 5)}, 0, 1);
  EXPECT_TRUE(one.median_fps == 5 && one.mad_fps == 0 && std::isnan(one.sd_fps));
  // No spread: nothing is an outlier, not even the one round that differs.
  const VariantStats flat = ComputeVariantStats({R(0, 1, 5), R(0, 2, 5), R(0, 3, 9)}, 0, 1);
  EXPECT_TRUE(flat.mad_fps == 0 && flat.outlier_blocks.empty());
  const VariantStats idle = ComputeVariantStats({R(0, 1, 0, 1, 0.1)}, 0, 1);
  EXPECT_TRUE(idle.median_fps == 0 && std::isnan(idle.cpu_ms_per_frame));
}

TEST(Verdict, JudgesTheIntervalWithSameFirstAndGatesOnItsTop) {
  // The gate at 5 %: the whole interval below 0.95.
  const struct { double low, high; Verdict verdict; bool fails_gate; } cases[] = {
      {1.58, 1.66, Verdict::kFaster, false},
      {0.85, 0.89, Verdict::kSlower, true},
      {0.85, 0.95, Verdict::kSlower, false},
      {0.85, 0.949, Verdict::kSlower, true},
      {0.99, 1.015, Verdict::kSame, false},
      {0.98, 1.02, Verdict::kSame, false},       // the margin's edges belong to it
      {1.004, 1.009, Verdict::kSame, false},     // real, but too small to matter
      {0.991, 0.996, Verdict::kSame, false},
      {1.01, 1.03, Verdict::kFaster, false},     // real, and maybe beyond the margin
      {0.97, 0.999, Verdict::kSlower, false},
      {0.97, 1.01, Verdict::kUndecided, false},
      {0.90, 1.10, Verdict::kUndecided, false},
      {kNaN, kNaN, Verdict::kUndecided, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Judge(c.low, c.high, 0.02), c.verdict) << c.low << "-" << c.high;
    EXPECT_EQ(FailsGate(Comparison{.low = c.low, .high = c.high}, 5), c.fails_gate) << c.low << "-" << c.high;
  }
  EXPECT_EQ(Judge(1.004, 1.009, 0), Verdict::kFaster);
  EXPECT_STREQ(VerdictName(Verdict::kUndecided), "undecided");
}

TEST(Compare, PairsWithinBlocksSoDriftCancelsAndDegenerateData) {
  // The machine's speed swings tenfold; the variant is always 1.5 x.
  const Comparison steady = Compare(Paired({100, 30, 300, 55}, std::vector<double>(8, 1.5)), 1, {});
  EXPECT_TRUE(steady.pairs == 8 && steady.verdict == Verdict::kFaster);
  for (double figure : {steady.ratio, steady.low, steady.high}) EXPECT_NEAR(figure, 1.5, 1e-12);
  // The point is the geometric mean: 2 x and 0.5 x cancel.
  const Comparison even = Compare(Paired({100}, {2, 0.5, 1, 1}), 1, {});
  EXPECT_NEAR(even.ratio, 1, 1e-12);
  EXPECT_EQ(even.verdict, Verdict::kUndecided);
  // One block: a ratio but no interval.
  const Comparison one = Compare(Paired({100}, {1.2}), 1, {});
  EXPECT_TRUE(one.pairs == 1 && std::fabs(one.ratio - 1.2) < 1e-12 && std::isnan(one.low) &&
              std::isnan(one.high) && one.verdict == Verdict::kUndecided && !one.settled);
  // A variant that failed: nothing.
  const Comparison failed = Compare(Paired({100}, {1.2, 1.3}), 2, {});
  EXPECT_TRUE(failed.pairs == 0 && std::isnan(failed.ratio) && failed.verdict == Verdict::kUndecided);
  // Only blocks both ran in pair, and a round without frames pairs with nothing.
  std::vector<Round> rounds = Paired({100}, {1.2, 1.2, 1.2, 1.2});
  rounds.pop_back();               // the variant's last round is missing
  rounds[2].frames = 0;            // the baseline made no frame in block 1
  const Comparison partial = Compare(rounds, 1, {});
  EXPECT_EQ(partial.pairs, 2u);
  EXPECT_NEAR(partial.high, 1.2, 1e-12);
  // All equal: an interval of no width at 1 is the same speed.
  EXPECT_EQ(Compare(Paired({100}, {1, 1, 1}), 1, {}).verdict, Verdict::kSame);
  // The baseline against itself.
  EXPECT_EQ(Compare(Paired({100}, {1.2, 1.3}), 0, {}).verdict, Verdict::kSame);
}

TEST(Compare, IntervalIsAsWideAsStudentsForFewBlocks) {
  // Twenty evenly spread log ratios around log 0.9: the bootstrap interval
  // must match the t interval, which the plain percentile one misses by 9 %.
  std::vector<double> ratios;
  for (int i = 0; i < 20; ++i) ratios.push_back(0.9 * std::exp(0.01 * (i - 9.5)));
  const Comparison c = Compare(Paired({100, 37}, ratios), 1, {});
  double squares = 0;
  for (int i = 0; i < 20; ++i) squares += (0.01 * (i - 9.5)) * (0.01 * (i - 9.5));
  const double half = 2.0930241 * std::sqrt(squares / 19 / 20);
  EXPECT_NEAR(c.ratio, 0.9, 1e-12);
  EXPECT_NEAR(std::log(c.high / c.ratio), half, 0.03 * half);
  EXPECT_NEAR(std::log(c.ratio / c.low), half, 0.03 * half);
  EXPECT_EQ(c.verdict, Verdict::kSlower);
  EXPECT_TRUE(c.settled);
  // The same rounds give the same figures; another seed only slightly others.
  const Comparison again = Compare(Paired({100, 37}, ratios), 1, {});
  EXPECT_TRUE(again.low == c.low && again.high == c.high);
  CompareSettings other;
  other.seed = 2;
  const Comparison reseeded = Compare(Paired({100, 37}, ratios), 1, other);
  EXPECT_NE(reseeded.low, c.low);
  EXPECT_NEAR(reseeded.low, c.low, 0.002);
  // Without resampling: settled for the stop rule, but no interval.
  CompareSettings look;
  look.resamples = 0;
  const Comparison quick = Compare(Paired({100, 37}, ratios), 1, look);
  EXPECT_TRUE(quick.settled && std::isnan(quick.low) && quick.verdict == Verdict::kUndecided);
  // With a gate the side of it must be known too: 0.96 lies above the 99.9 %
  // interval, 0.92 inside it.
  look.gate = 0.04;
  EXPECT_TRUE(Compare(Paired({100, 37}, ratios), 1, look).settled);
  look.gate = 0.08;
  EXPECT_FALSE(Compare(Paired({100, 37}, ratios), 1, look).settled);
  look.gate = 0;
  // The stop rule's 99.9 % t interval, about 5 % either way here, still
  // reaches past 1 around 0.956: not settled yet.
  for (double& ratio : ratios) ratio *= 0.956 / 0.9;
  EXPECT_FALSE(Compare(Paired({100, 37}, ratios), 1, look).settled);
}

TEST(StopRule, EveryComparisonSettledAfterTheMinimum) {
  auto C = [](size_t variant, bool settled) { return Comparison{.variant = variant, .settled = settled}; };
  const std::vector<bool> none(3, false), second_failed = {false, true, false},
                          baseline_failed = {true, false, false};
  const struct { std::vector<Comparison> comparisons; std::vector<bool> failed; size_t blocks; bool stop; } cases[] = {
      {{C(1, true), C(2, true)}, none, 10, true},
      {{C(1, true), C(2, true)}, none, 9, false},
      {{C(1, true), C(2, false)}, none, 50, false},
      {{C(1, false), C(2, true)}, second_failed, 10, true},
      {{C(1, false), C(2, false)}, baseline_failed, 10, true},
      {{C(0, false)}, none, 10, true},  // the baseline needs no verdict
      {{}, none, 10, true},             // one variant: nothing to decide
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EveryComparisonDecided(c.comparisons, c.failed, c.blocks, 10), c.stop);
  }
}

TEST(StudentT, KnownQuantiles) {
  const struct { double coverage; size_t df; double t; } cases[] = {
      {0.95, 1, 12.7062047}, {0.95, 2, 4.3026527}, {0.95, 9, 2.2621572},
      {0.99, 4, 4.6040949},  {0.999, 30, 3.6459586}, {0.95, 1000, 1.9623391}};
  for (const auto& c : cases) {
    EXPECT_NEAR(StudentT(c.coverage, c.df), c.t, 1e-6) << c.coverage << " " << c.df;
    EXPECT_NEAR(StudentTCoverage(c.t, c.df), c.coverage, 1e-8);
  }
}

}  // namespace
}  // namespace compare
