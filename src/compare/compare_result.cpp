#include "compare/compare_result.h"

#include <algorithm>

namespace compare {

CompareSettings SettingsFor(const CompareOptions& options) {
  CompareSettings settings;
  settings.baseline = options.baseline;
  settings.warmup = static_cast<size_t>(options.warmup);
  settings.margin = options.margin_percent / 100;
  settings.seed = options.seed;
  settings.gate = options.fail_if_slower_percent / 100;
  return settings;
}

void Summarise(CompareResult* result) {
  const CompareSettings settings = SettingsFor(result->options);
  result->outcomes.resize(result->options.variants.size());
  for (size_t v = 0; v < result->outcomes.size(); ++v) {
    VariantOutcome& outcome = result->outcomes[v];
    outcome.stats = ComputeVariantStats(result->rounds, v, settings.warmup);
    outcome.comparison = Compare(result->rounds, v, settings);
  }
}

bool IsWarmup(const CompareResult& result, const Round& round) {
  return round.block < static_cast<size_t>(result.options.warmup);
}

bool IsOutlier(const CompareResult& result, const Round& round) {
  if (round.variant >= result.outcomes.size()) return false;
  const std::vector<size_t>& blocks = result.outcomes[round.variant].stats.outlier_blocks;
  return std::find(blocks.begin(), blocks.end(), round.block) != blocks.end();
}

bool GateFails(const CompareResult& result) {
  if (result.options.fail_if_slower_percent <= 0) return false;
  for (size_t v = 0; v < result.outcomes.size(); ++v) {
    if (v != result.options.baseline &&
        FailsGate(result.outcomes[v].comparison, result.options.fail_if_slower_percent)) {
      return true;
    }
  }
  return false;
}

}  // namespace compare
