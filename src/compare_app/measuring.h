// The comparison's run: the workers started and loaded one by one, then the
// blocks of rounds until the options, the figures or the user say stop.
#pragma once

#include <functional>
#include <string>

#include "compare/compare_options.h"
#include "compare/compare_result.h"

namespace compare_app {

struct MeasureConfig {
  std::string worker_program;  // started with --worker, one per variant
  // The longest a worker may stay silent on one command (beyond the round
  // itself). Generous: loading a heavy script runs its analysis.
  double answer_limit_seconds = 600;
};

// What the run reports while it goes.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Loading(size_t variant, size_t count, const std::string& label) = 0;
  // Before each round; blocks and positions count from 0.
  virtual void Measuring(size_t block, size_t position, size_t count, double elapsed_seconds) = 0;
  virtual void BlockDone(size_t blocks_done, double elapsed_seconds) = 0;
  // Before the results are printed: the in-place line goes.
  virtual void Finished() = 0;
};

struct Measured {
  // Options, rounds, and per variant its error, library versions and
  // stages; the statistics are left to Summarise. Load averages filled.
  compare::CompareResult result;
  // Not empty when a library refused an option: nothing was measured.
  std::string refusal;
  bool stopped = false;    // by the user, before the planned end
  size_t blocks_done = 0;  // whole blocks, warm-up included
};

// `stop_asked` is polled before each round and while a worker loads.
Measured Measure(const compare::CompareOptions& options, const MeasureConfig& config,
                 Progress& progress, const std::function<bool()>& stop_asked);

// The set-up lines a variant's worker gets before `load`, as fields.
std::vector<std::vector<std::string>> SetupCommands(const compare::Variant& variant,
                                                    const compare::CompareOptions& options);

}  // namespace compare_app
