// The cost of one comparison: the stop rule computes every variant's after
// every block, so it must stay well below a round's length.
#include <benchmark/benchmark.h>

#include "compare/random.h"
#include "compare/statistics.h"

namespace {

void BM_Compare(benchmark::State& state) {
  compare::Random random(3);
  std::vector<compare::Round> rounds;
  for (size_t block = 0; block <= static_cast<size_t>(state.range(0)); ++block) {
    for (size_t variant = 0; variant < 2; ++variant) {
      compare::Round r;
      r.variant = variant;
      r.block = block;
      r.frames = 900 + random.Below(200);
      r.wall_seconds = 1;
      rounds.push_back(r);
    }
  }
  for (auto _ : state) benchmark::DoNotOptimize(compare::Compare(rounds, 1, {}));
}
BENCHMARK(BM_Compare)->Arg(10)->Arg(120)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
