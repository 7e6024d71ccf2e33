// The comparison's error rates on simulated runs: a drifting, noisy machine
// measuring a script against itself, and against one 13 % slower.
#include <gtest/gtest.h>

#include <cmath>

#include "compare/random.h"
#include "compare/statistics.h"

namespace compare {
namespace {

// A standard normal draw (Box-Muller) from our own generator, so the
// simulation is the same everywhere.
double Normal(Random* random) {
  const double u1 = (static_cast<double>(random->Next() >> 11) + 1) * 0x1.0p-53;
  const double u2 = static_cast<double>(random->Next() >> 11) * 0x1.0p-53;
  return std::sqrt(-2 * std::log(u1)) * std::cos(2 * 3.141592653589793 * u2);
}

struct Tally {
  int verdicts[4] = {0, 0, 0, 0};
  int covered = 0;
  int Count(Verdict v) const { return verdicts[static_cast<int>(v)]; }
};

// `runs` comparisons of 10 to 20 counted blocks after one warm-up block, the
// variant at `truth` times the baseline's speed: 5 % noise per round on a
// load that drifts 3 % per block.
Tally Simulate(double truth, int runs, uint64_t seed) {
  Random random(seed);
  Tally tally;
  for (int run = 0; run < runs; ++run) {
    const size_t blocks = 1 + 10 + random.Below(11);
    std::vector<Round> rounds;
    double load = 1;
    for (size_t block = 0; block < blocks; ++block) {
      load *= std::exp(0.03 * Normal(&random));
      for (size_t variant = 0; variant < 2; ++variant) {
        const double fps = 200 * load * (variant == 1 ? truth : 1) * std::exp(0.05 * Normal(&random));
        rounds.push_back(Round{variant, block, 0, 1000, 1000 / fps});
      }
    }
    const Comparison c = Compare(rounds, 1, {});
    ++tally.verdicts[static_cast<int>(c.verdict)];
    if (c.low <= truth && truth <= c.high) ++tally.covered;
  }
  return tally;
}

TEST(Simulation, SameScriptIsRarelyCalledFasterOrSlowerAndThirteenPercentSlowerIsFound) {
  const Tally same = Simulate(1.0, 200, 11);
  // A 95 % interval misses in 5 % of runs, half of them on each side; the
  // bounds allow for 200 runs' chance (two standard deviations).
  EXPECT_LE(same.Count(Verdict::kFaster) + same.Count(Verdict::kSlower), 16);
  EXPECT_LE(same.Count(Verdict::kSlower), 10);
  const Tally slower = Simulate(0.87, 200, 12);
  EXPECT_EQ(slower.Count(Verdict::kSlower), 200);
  EXPECT_GE(slower.covered, 182);  // 95 % of 200, less two and a half standard deviations
}

}  // namespace
}  // namespace compare
