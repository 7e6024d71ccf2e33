// Everything a comparison run produced, as the texts and files show it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "compare/compare_options.h"
#include "compare/statistics.h"

namespace compare {

// Filled by the caller; what a system cannot tell stays empty, 0 or NaN.
struct Machine {
  std::string processor;
  int cores = 0;
  std::string os;
  double load_average_start = std::numeric_limits<double>::quiet_NaN();
  double load_average_end = std::numeric_limits<double>::quiet_NaN();
};

// One stage marker's figures in a variant's worker, summed over all its
// rounds (warm-up included) since the script was loaded.
struct StageFigures {
  std::string name;
  uint64_t calls = 0;
  double self_seconds = 0, inclusive_seconds = 0;
};

struct VariantOutcome {
  std::string error;  // empty when the variant ran to the end
  std::string library_version, library_file_version;
  std::vector<StageFigures> stages;  // in script order; empty without markers
  VariantStats stats;
  Comparison comparison;  // against the baseline; not for the baseline itself
};

struct CompareResult {
  CompareOptions options;  // options.variants are the variants measured
  std::vector<VariantOutcome> outcomes;  // one per variant
  std::vector<Round> rounds;             // in the order they ran
  Machine machine;
  std::string program_version;
};

// The statistics' settings for these options.
CompareSettings SettingsFor(const CompareOptions& options);

// Fills each outcome's statistics and comparison from the rounds.
void Summarise(CompareResult* result);

// What the JSON file and the rounds' CSV say of each round: whether its
// block is a warm-up block, not counted, and whether it is one of its
// variant's outliers.
bool IsWarmup(const CompareResult& result, const Round& round);
bool IsOutlier(const CompareResult& result, const Round& round);

// The run's status by the gate: whether any variant that ran is slower than
// the baseline by more than --fail-if-slower, with 95 % confidence.
bool GateFails(const CompareResult& result);

}  // namespace compare
