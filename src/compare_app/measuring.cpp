#include "compare_app/measuring.h"

#include <algorithm>
#include <memory>

#include "compare/schedule.h"
#include "compare_app/worker_answers.h"
#include "compare_app/worker_link.h"
#include "compare_worker/worker_protocol.h"
#include "measure/timer.h"
#include "platform/machine_facts.h"

namespace compare_app {
namespace {

namespace protocol = compare_worker;
using Fields = std::vector<std::string>;

constexpr char kStoppedLoading[] = "not measured: the run was stopped while it was loading";
constexpr char kNotLoaded[] = "not measured: the run was stopped before it was loaded";
// A stages answer holds one line per marker; more than this is no script's.
constexpr size_t kMaxStages = 100000;

std::string Cmd(std::string_view name) { return std::string(name); }

class Run {
 public:
  Run(const compare::CompareOptions& options, const MeasureConfig& config, Progress& progress,
      const std::function<bool()>& stop_asked)
      : options_(options),
        config_(config),
        progress_(progress),
        stop_asked_(stop_asked),
        links_(options.variants.size()),
        failed_(options.variants.size(), false) {
    measured_.result.options = options;
    measured_.result.outcomes.resize(options.variants.size());
  }

  Measured Go() {
    LoadAll();
    if (!measured_.refusal.empty()) return std::move(measured_);
    measured_.result.machine.load_average_start = platform::LoadAverage1();
    if (!measured_.stopped) MeasureBlocks();
    measured_.result.machine.load_average_end = platform::LoadAverage1();
    CollectStagesAndQuit();
    return std::move(measured_);
  }

 private:
  void Fail(size_t v, const std::string& text) {
    failed_[v] = true;
    measured_.result.outcomes[v].error = text;
  }

  size_t Count() const { return options_.variants.size(); }

  void LoadAll() {
    for (size_t v = 0; v < Count(); ++v) {
      if (measured_.stopped || stop_asked_()) {
        measured_.stopped = true;
        Fail(v, kNotLoaded);
        continue;
      }
      progress_.Loading(v, Count(), options_.variants[v].label);
      links_[v] = std::make_unique<WorkerLink>();
      WorkerLink& link = *links_[v];
      std::string failure;
      if (!link.Start(config_.worker_program, &failure)) {
        Fail(v, failure);
        continue;
      }
      Fields fields;
      // Set-up lines have no answer; a worker that died on one says so at load.
      for (const Fields& command : SetupCommands(options_.variants[v], options_)) link.Send(command);
      switch (link.Ask({Cmd(protocol::kCommandLoad)}, config_.answer_limit_seconds, stop_asked_,
                       &fields, &failure)) {
        case WorkerLink::Answer::kStopped:
          link.Kill();
          measured_.stopped = true;
          Fail(v, kStoppedLoading);
          break;
        case WorkerLink::Answer::kFailed:
          if (link.ExitStatus() == protocol::kExitRefused) {
            // Measuring without the option would compare something else than
            // was asked: the whole run ends here.
            measured_.refusal = failure;
            return;
          }
          Fail(v, failure);
          break;
        case WorkerLink::Answer::kLine: {
          ReadyAnswer ready;
          if (!ReadReady(fields, &ready)) {
            link.Kill();
            Fail(v, UnexpectedAnswer(fields));
            break;
          }
          measured_.result.outcomes[v].library_version = ready.version_string;
          measured_.result.outcomes[v].library_file_version = ready.file_version;
          break;
        }
      }
    }
  }

  // Without --rounds the run may stop once every comparison is decided,
  // after kMinBlocks counted blocks; --rounds fixes the count.
  bool Decided(size_t blocks_done) const {
    if (options_.rounds > 0) return false;
    const size_t warmup = static_cast<size_t>(options_.warmup);
    const size_t counted = blocks_done > warmup ? blocks_done - warmup : 0;
    const size_t min_blocks = static_cast<size_t>(compare::kMinBlocks);
    if (counted < min_blocks) return false;
    compare::CompareSettings settings = compare::SettingsFor(options_);
    settings.resamples = 0;  // the stop rule needs `settled` alone
    std::vector<compare::Comparison> comparisons;
    for (size_t v = 0; v < Count(); ++v) {
      if (v != options_.baseline) comparisons.push_back(compare::Compare(measured_.result.rounds, v, settings));
    }
    return compare::EveryComparisonDecided(comparisons, failed_, counted, min_blocks);
  }

  void MeasureBlocks() {
    const double start = measure::CounterSeconds();
    const std::string round_seconds = protocol::SecondsField(options_.round_seconds);
    const size_t max_blocks =
        options_.rounds > 0 ? static_cast<size_t>(options_.warmup + options_.rounds) : SIZE_MAX;
    const auto all_failed = [this] { return std::all_of(failed_.begin(), failed_.end(), [](bool f) { return f; }); };
    for (size_t block = 0; block < max_blocks && !all_failed(); ++block) {
      const std::vector<size_t> order = compare::BlockOrder(Count(), options_.seed, block);
      for (size_t position = 0; position < order.size(); ++position) {
        const size_t v = order[position];
        if (failed_[v]) continue;
        const double elapsed = measure::CounterSeconds() - start;
        // Checked before each round, so a stop ends the measuring after the
        // round under way; the rounds of a block cut short still pair.
        if (stop_asked_()) {
          measured_.stopped = true;
          return;
        }
        if (elapsed >= options_.time_seconds) return;
        progress_.Measuring(block, position, Count(), elapsed);
        MeasureRound(v, block, position, round_seconds);
      }
      measured_.blocks_done = block + 1;
      progress_.BlockDone(block + 1, measure::CounterSeconds() - start);
      if (Decided(block + 1)) return;
    }
  }

  void MeasureRound(size_t v, size_t block, size_t position, const std::string& seconds) {
    WorkerLink& link = *links_[v];
    Fields fields;
    std::string failure;
    // A round ends by itself after its length: it is not cut short by a
    // stop, only by the limit on silence.
    const WorkerLink::Answer answer =
        link.Ask({Cmd(protocol::kCommandRound), seconds},
                 config_.answer_limit_seconds + options_.round_seconds, nullptr, &fields, &failure);
    if (answer != WorkerLink::Answer::kLine) {
      Fail(v, failure);
      return;
    }
    compare::Round round;
    if (!ReadRound(fields, &round)) {
      link.Kill();
      Fail(v, UnexpectedAnswer(fields));
      return;
    }
    round.variant = v;
    round.block = block;
    round.position = position;
    measured_.result.rounds.push_back(round);
  }

  void CollectStages(size_t v) {
    WorkerLink& link = *links_[v];
    std::vector<compare::StageFigures> stages;
    Fields fields;
    std::string failure;
    WorkerLink::Answer answer = link.Ask({Cmd(protocol::kCommandStages)},
                                         config_.answer_limit_seconds, nullptr, &fields, &failure);
    while (answer == WorkerLink::Answer::kLine && fields[0] != protocol::kAnswerEnd) {
      compare::StageFigures stage;
      if (!ReadStage(fields, &stage) || stages.size() >= kMaxStages) {
        link.Kill();
        Fail(v, UnexpectedAnswer(fields));
        return;
      }
      stages.push_back(stage);
      answer = link.Next(config_.answer_limit_seconds, nullptr, &fields, &failure);
    }
    if (answer != WorkerLink::Answer::kLine) {
      Fail(v, failure);
      return;
    }
    measured_.result.outcomes[v].stages = std::move(stages);
  }

  void CollectStagesAndQuit() {
    for (size_t v = 0; v < Count(); ++v) {
      if (links_[v] == nullptr || failed_[v]) continue;
      CollectStages(v);
      if (!failed_[v]) links_[v]->Quit();
    }
  }

  const compare::CompareOptions& options_;
  const MeasureConfig& config_;
  Progress& progress_;
  const std::function<bool()>& stop_asked_;
  std::vector<std::unique_ptr<WorkerLink>> links_;
  std::vector<bool> failed_;
  Measured measured_;
};

}  // namespace

std::vector<std::vector<std::string>> SetupCommands(const compare::Variant& variant,
                                                    const compare::CompareOptions& options) {
  std::vector<Fields> commands;
  commands.push_back({Cmd(protocol::kCommandScript), variant.script});
  if (!variant.library.empty()) commands.push_back({Cmd(protocol::kCommandLibrary), variant.library});
  if (variant.max_cpu) commands.push_back({Cmd(protocol::kCommandMaxCpu), *variant.max_cpu});
  if (variant.memory_max_mb) {
    commands.push_back({Cmd(protocol::kCommandMemoryMax), std::to_string(*variant.memory_max_mb)});
  }
  if (variant.prefetch) commands.push_back({Cmd(protocol::kCommandPrefetch), std::to_string(*variant.prefetch)});
  for (const auto& [name, value] : variant.vars) commands.push_back({Cmd(protocol::kCommandVar), name, value});
  commands.push_back({Cmd(protocol::kCommandOrder), compare::FrameOrderName(options.order)});
  commands.push_back({Cmd(protocol::kCommandSeed), std::to_string(options.seed)});
  return commands;
}

Measured Measure(const compare::CompareOptions& options, const MeasureConfig& config,
                 Progress& progress, const std::function<bool()>& stop_asked) {
  return Run(options, config, progress, stop_asked).Go();
}

}  // namespace compare_app
