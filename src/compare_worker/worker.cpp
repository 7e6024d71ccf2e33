#include "compare_worker/worker.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "avs_host/script_value.h"
#include "bench/round_loop.h"
#include "compare/schedule.h"
#include "compare_worker/worker_protocol.h"
#include "compare_worker/worker_setup.h"
#include "fault/structured_exception.h"
#include "measure/stage_times.h"
#include "measure/timer.h"
#include "platform/fault_guard.h"
#include "platform/files.h"
#include "platform/child_process.h"

namespace compare_worker {

namespace {

// The analysis: frames from 0 for at most this long or this many, enough to
// pick the interval between clock readings.
constexpr double kAnalysisSeconds = 2.0;
constexpr uint32_t kAnalysisFrames = 50;
// Larger scripts are not read for the Prefetch check; the import judges them.
constexpr size_t kScriptReadLimit = 64u << 20;

// korbinet's texts are printed between empty lines; the answer carries the
// message alone.
std::string WithoutOuterLineBreaks(std::string text) {
  const size_t first = text.find_first_not_of('\n');
  if (first == std::string::npos) return {};
  text.erase(0, first);
  text.erase(text.find_last_not_of('\n') + 1);
  return text;
}

// The set-up the controller sends before load.
struct SetUp {
  std::optional<std::string> script, library, max_cpu;
  std::optional<int32_t> memory_max_mb, prefetch;
  std::vector<std::pair<std::string, std::string>> vars;
  std::optional<compare::FrameOrder> order;
  std::optional<uint64_t> seed;
};

// A command's outcome: go on reading, or end with a status.
constexpr int kContinue = -1;

class Worker {
 public:
  explicit Worker(std::ostream& out) : out_(out) {}
  ~Worker() {
    if (!library_) return;
    // After an error nothing may call into the library again; Leave then
    // keeps the environment on record instead of deleting it. Its threads
    // (Prefetch's) may still pass frames through the markers, so their
    // figures stay too.
    if (library_->HasEnvironment()) static_cast<void>(stages_.release());
    library_->Leave();
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  int Handle(const std::vector<std::string>& fields);
  int Quit();

 private:
  bool TakeSetUp(const std::vector<std::string>& fields);
  int Load();
  // The set-up, import and clip; a refusal's text in *refusal.
  void Prepare(const settings_file::Settings& settings, avs_host::ScriptValues* values, std::string* refusal);
  std::string Refusal(avs_host::AvsBinding& binding);
  void Analyse(avs_host::AvsBinding& binding, int num_frames);
  int Round(const std::string& seconds_text);
  int Stages();

  void Answer(const std::vector<std::string>& fields) { out_ << JoinFields(fields) << std::flush; }
  int Fail(const std::string& text, int status) {
    Answer({std::string(kAnswerError), WithoutOuterLineBreaks(text)});
    return status;
  }
  int Refuse(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : " ") + field;
    return Fail(std::string(kBadCommand) + line, 2);
  }

  std::ostream& out_;
  SetUp setup_;
  // Declared before the library: the script's markers point into it until
  // the environment is gone.
  std::unique_ptr<measure::StageTimes> stages_ = std::make_unique<measure::StageTimes>();
  std::unique_ptr<avs_host::AvsLibrary> library_;
  bool loaded_ = false;
  int64_t last_frame_ = 0;
  uint32_t interval_ = 1;
  uint64_t next_k_ = 0;  // FrameAt's count, continued from round to round
};

bool Worker::TakeSetUp(const std::vector<std::string>& fields) {
  const std::string& command = fields[0];
  const size_t count = fields.size();
  auto once = [&](auto& slot, auto value) {
    if (slot) return false;
    slot = std::move(value);
    return true;
  };
  if (command == kCommandVar) {
    if (count != 3 || fields[1].empty()) return false;
    setup_.vars.emplace_back(fields[1], fields[2]);
    return true;
  }
  if (count != 2) return false;
  const std::string& value = fields[1];
  if (command == kCommandScript) return once(setup_.script, value);
  if (command == kCommandLibrary) return once(setup_.library, value);
  if (command == kCommandMaxCpu) return once(setup_.max_cpu, value);
  int32_t number = 0;
  if (command == kCommandMemoryMax) return ParseNumberField(value, &number) && number > 0 && once(setup_.memory_max_mb, number);
  if (command == kCommandPrefetch) return ParseNumberField(value, &number) && number >= 0 && once(setup_.prefetch, number);
  if (command == kCommandOrder) {
    compare::FrameOrder order;
    return compare::ParseFrameOrder(value, &order) && once(setup_.order, order);
  }
  uint64_t seed = 0;
  return ParseNumberField(value, &seed) && once(setup_.seed, seed);  // kCommandSeed
}

std::string Worker::Refusal(avs_host::AvsBinding& binding) {
  // SetMaxCPU with an empty level is not called at all: nothing to refuse.
  if (setup_.max_cpu && !setup_.max_cpu->empty() && !binding.FunctionExists("SetMaxCPU"))
    return CannotHonourText("SetMaxCPU", "--maxcpu");
  if (setup_.memory_max_mb && !binding.FunctionExists("SetMemoryMax"))
    return CannotHonourText("SetMemoryMax", "--memory-max");
  if (setup_.prefetch && !binding.FunctionExists("Prefetch"))
    return CannotHonourText("Prefetch", "--prefetch");
  return {};
}

void Worker::Prepare(const settings_file::Settings& settings, avs_host::ScriptValues* values, std::string* refusal) {
  avs_host::AvsBinding& binding = library_->binding();
  const std::string& script = *setup_.script;
  fault::CallTranslated([&] {
    *refusal = Refusal(binding);
    if (!refusal->empty()) return;
    for (const auto& [name, value] : setup_.vars) {
      if (!binding.SetGlobalVar(name, avs_host::ParseScriptValue(value))) {
        *refusal = CannotHonourText("avs_set_global_var", "--var");
        return;
      }
    }
    if (setup_.memory_max_mb)
      binding.InvokeSetUp("SetMemoryMax", avs_host::IntScriptValue(*setup_.memory_max_mb));
    if (setup_.max_cpu && !setup_.max_cpu->empty())
      binding.InvokeSetUp("SetMaxCPU", avs_host::StringScriptValue(*setup_.max_cpu));
    binding.AddStageMarker(stages_.get());
    binding.Import(script);
    if (setup_.prefetch) binding.Prefetch(*setup_.prefetch);
    avs_host::OpenVideoClip(binding, script, settings.InvokeDistributor, values);
  });
}

void Worker::Analyse(avs_host::AvsBinding& binding, int num_frames) {
  const uint32_t limit = std::min(static_cast<uint32_t>(num_frames), kAnalysisFrames);
  avs_host::FramesTimed timed;
  fault::CallTranslated(
      [&] { avs_host::TimeFirstFrames(binding, limit, kAnalysisSeconds, measure::CounterSeconds, &timed); });
  interval_ = avs_host::SamplingIntervalFor(timed.seconds * 1000 / timed.frames);
}

int Worker::Load() {
  if (!setup_.script) return Refuse({std::string(kCommandLoad)});
  // The library names the script in its errors as korbinet hands it over:
  // in full.
  if (std::string full; platform::FullPathName(*setup_.script, &full, nullptr) && !full.empty()) setup_.script = full;
  const std::string& script = *setup_.script;
  // In korbinet's order: the library's file, the probe, the load, the
  // environment, the script.
  const settings_file::Settings settings = ReadWorkerSettings();
  const std::string avsdll = setup_.library && !setup_.library->empty() ? *setup_.library : settings.AVSDLL;
  if (!avsdll.empty() && !platform::FileExists(avsdll))
    return Fail(std::string(avs_host::kLibraryMissingText) + "\n" + avsdll, 1);
  if (setup_.prefetch) {
    std::string text;
    if (platform::ReadSmallFile(script, kScriptReadLimit, &text, nullptr) && ScriptCallsPrefetch(text))
      return Fail(kScriptPrefetchesText, kExitRefused);
  }
  avs_host::LibraryFacts facts;
  std::string error;
  if (!avs_host::ProbeAvisynth(avsdll, &facts, &error))
    return Fail(avs_host::ProbeFailureText(facts, error), 1);

  library_ = std::make_unique<avs_host::AvsLibrary>(avsdll);
  if (std::string reason; !library_->Load(&reason))
    return Fail(avs_host::WithSystemError(avs_host::kCannotLoadText, reason), 1);
  if (!library_->FindFactory()) return Fail(avs_host::kNoFactoryText, 1);
  avs_host::ScriptValues values;
  try {
    if (!library_->CreateEnvironment(facts.interface_version)) return Fail(avs_host::kNoEnvironmentText, 1);
    std::string refusal;
    Prepare(settings, &values, &refusal);
    if (!refusal.empty()) return Fail(refusal, kExitRefused);
    if (values.vi.num_frames <= 0) return Fail(avs_host::kClipHasNoFramesText, 1);
    Analyse(library_->binding(), values.vi.num_frames);
  } catch (...) {
    return Fail(avs_host::ExceptionText(), 1);
  }
  loaded_ = true;
  last_frame_ = values.vi.num_frames - 1;
  Answer({std::string(kAnswerReady), "0", std::to_string(last_frame_), std::to_string(interval_),
          facts.version_string, facts.file_version});
  return kContinue;
}

int Worker::Round(const std::string& seconds_text) {
  double seconds = 0;
  if (!loaded_ || !ParseSecondsField(seconds_text, &seconds))
    return Refuse({std::string(kCommandRound), seconds_text});
  const auto number = [order = setup_.order.value_or(compare::FrameOrder::kForward),
                       last = last_frame_, seed = setup_.seed.value_or(1)](uint64_t k) {
    return compare::FrameAt(order, 0, last, k, seed);
  };
  bench::SystemRoundProbes probes;
  bench::RoundFigures figures;
  try {
    figures = std::visit(
        [&](const auto& source) { return bench::RunRound(source, number, &next_k_, interval_, seconds, probes); },
        library_->binding().Frames());
  } catch (...) {
    return Fail(avs_host::ExceptionText(), 1);
  }
  Answer({std::string(kAnswerRound), std::to_string(figures.frames), SecondsField(figures.wall_seconds),
          SecondsField(figures.cpu_seconds), std::to_string(figures.peak_memory_bytes),
          std::to_string(figures.threads)});
  return kContinue;
}

int Worker::Stages() {
  for (const measure::StageFigures& stage : stages_->Figures()) {
    Answer({std::string(kAnswerStage), stage.name, std::to_string(stage.calls),
            SecondsField(static_cast<double>(stage.self_ns) / 1e9),
            SecondsField(static_cast<double>(stage.inclusive_ns) / 1e9)});
  }
  Answer({std::string(kAnswerEnd)});
  return kContinue;
}

int Worker::Quit() {
  if (!library_ || !library_->HasEnvironment()) return 0;
  try {
    avs_host::ReleaseScript(library_.get());
  } catch (...) {
    // Nobody reads an answer any more; the status tells.
    return 1;
  }
  library_->Leave();
  return 0;
}

int Worker::Handle(const std::vector<std::string>& fields) {
  const std::string& command = fields[0];
  if (command == kCommandLoad) return loaded_ || fields.size() != 1 ? Refuse(fields) : Load();
  if (command == kCommandRound) return fields.size() != 2 ? Refuse(fields) : Round(fields[1]);
  if (command == kCommandStages) return fields.size() != 1 ? Refuse(fields) : Stages();
  if (command == kCommandQuit) return Quit();
  for (std::string_view setup : {kCommandScript, kCommandLibrary, kCommandMaxCpu, kCommandMemoryMax,
                                 kCommandPrefetch, kCommandVar, kCommandOrder, kCommandSeed}) {
    if (command != setup) continue;
    return !loaded_ && !library_ && TakeSetUp(fields) ? kContinue : Refuse(fields);
  }
  return Fail(std::string(kUnknownCommand) + command, 2);
}

}  // namespace

int RunWorker(std::istream& input, std::ostream& output) {
  // Ctrl+C reaches the terminal's whole process group; the controller stops
  // after the current round and then quits its workers.
  platform::IgnoreTerminalInterrupt();
  // A fault inside a filter must become an answer, not end the process.
  platform::InstallFaultHandlers();
  Worker worker(output);
  std::string line;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int status = worker.Handle(SplitFields(line));
    if (status != kContinue) return status;
  }
  return worker.Quit();
}

int RunWorkerOnStandardStreams() {
  std::string error;
  const std::unique_ptr<std::ostream> answers = platform::TakeStandardOutputForAnswers(&error);
  if (!answers) {
    std::cout << JoinFields({std::string(kAnswerError), error}) << std::endl;
    return 1;
  }
  return RunWorker(std::cin, *answers);
}

}  // namespace compare_worker
