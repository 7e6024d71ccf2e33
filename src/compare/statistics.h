// The figures of a comparison: each variant's speed over its rounds, and each
// variant's speed against the baseline's with a confidence interval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace compare {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One round of one variant, as a worker measured it.
struct Round {
  size_t variant = 0;
  size_t block = 0;     // from 0; the first `warmup` blocks are not counted
  size_t position = 0;  // its place in the block's shuffled order, from 0
  uint64_t frames = 0;
  double wall_seconds = 0;
  double cpu_seconds = 0;  // the worker process's processor time
  uint64_t peak_memory_bytes = 0;
  int threads = 0;
};

// Frames per second; NaN when the round has no wall time to divide by.
double RoundFps(const Round& round);

struct VariantStats {
  size_t rounds = 0;  // counted rounds, with a wall time
  // NaN when there is nothing to compute them from (no counted rounds; the
  // standard deviation also needs two).
  double median_fps = kNaN, mad_fps = kNaN, mean_fps = kNaN, sd_fps = kNaN,
         cpu_ms_per_frame = kNaN;
  // Blocks whose round lies more than kOutlierMads scaled MADs from the
  // median. None when the MAD is 0: there is no spread to measure against.
  std::vector<size_t> outlier_blocks;
  uint64_t peak_memory_bytes = 0;  // over all rounds, warm-up included
  int threads = 0;                 // the most seen in a round
};

// The median absolute deviation is scaled by this, so that for normally
// distributed speeds it estimates the standard deviation.
inline constexpr double kMadScale = 1.482602218505602;
inline constexpr double kOutlierMads = 3.0;

VariantStats ComputeVariantStats(const std::vector<Round>& rounds, size_t variant, size_t warmup);

enum class Verdict { kFaster, kSlower, kSame, kUndecided };
const char* VerdictName(Verdict verdict);

struct CompareSettings {
  size_t baseline = 0;
  size_t warmup = 1;
  double margin = 0.02;  // a fraction: 2 % is 0.02
  uint64_t seed = 1;
  // 0 leaves the 95 % interval and verdict out: enough for the stop rule,
  // which needs `settled` alone, and cheaper by far.
  int resamples = 10000;
  // The stop rule looks after every block; stopping at the first look
  // whose 95 % interval decides calls a script faster or slower than itself
  // in 15 to 30 % of simulated A/A runs, the more the longer they may run.
  // It waits instead for a 99.9 % interval to decide, which keeps the final
  // 95 % verdict's error near its 5 %.
  double stop_confidence = 0.999;
  // --fail-if-slower as a fraction; 0: no gate. With a gate, a comparison
  // is settled only once that interval also lies wholly on one side of
  // 1 - gate: a run that stopped as soon as "slower" was known could leave a
  // variant 13 % slower with a 95 % interval reaching above 0.95, and the
  // gate would pass it.
  double gate = 0;
};

inline constexpr double kConfidence = 0.95;

struct Comparison {
  size_t variant = 0, baseline = 0;
  // Counted blocks in which both ran with a speed above 0; only these pair.
  size_t pairs = 0;
  // Speed of the variant over the baseline's, exp(mean of the pairs' log
  // ratios), and its 95 % interval; NaN without pairs (the interval needs 2).
  double ratio = kNaN, low = kNaN, high = kNaN;
  Verdict verdict = Verdict::kUndecided;
  // The verdict from a t interval at the stop confidence is not undecided.
  bool settled = false;
};

// The interval comes from resampling the blocks (the bootstrap), with the
// seed fixed by the settings and the variant, so the same rounds always give
// the same figures. It is the expanded percentile interval of the mean log
// ratio: the plain percentile interval is too narrow for few blocks (about
// 90 % instead of 95 % at 10), so its percentiles are widened by the
// Student t factor for the number of pairs.
Comparison Compare(const std::vector<Round>& rounds, size_t variant,
                   const CompareSettings& settings);

// The verdict for an interval:
//   same       the interval lies within 1 - margin .. 1 + margin;
//   faster     otherwise, when it lies above 1;
//   slower     otherwise, when it lies below 1;
//   undecided  otherwise, and without an interval.
// "Same" comes first: a difference the rounds show to be real but smaller
// than the margin does not matter in practice, and a run against itself,
// whose interval narrows around 1, must not end up calling a tiny drift
// faster or slower.
Verdict Judge(double low, double high, double margin);

// The gate: the whole interval lies below 1 - percent / 100, so the variant
// is slower by more than that with 95 % confidence.
bool FailsGate(const Comparison& comparison, double percent);

// Whether the run may stop early: at least `min_blocks` counted blocks, and
// every comparison settled. A variant that failed has nothing more to tell
// (`failed` by variant number); without a baseline nothing can be decided
// either way, so that stops too.
bool EveryComparisonDecided(const std::vector<Comparison>& comparisons,
                            const std::vector<bool>& failed, size_t counted_blocks,
                            size_t min_blocks);

// Student's t with `df` degrees of freedom: the probability that |T| <= t,
// and its inverse, the t with that probability (2.262 for 0.95 and 9).
double StudentTCoverage(double t, size_t df);
double StudentT(double coverage, size_t df);

}  // namespace compare
