#include "app/script_run.h"

#include <optional>

#include "app/run_options.h"
#include "app/settings.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "bench/clip_frame_loop.h"
#include "bench/frame_loop.h"
#include "bench/frame_range.h"
#include "bench/run_summary.h"
#include "bench/stage_times.h"
#include "console/console.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "platform/error.h"
#include "platform/stop_request.h"
#include "records/csv_file.h"
#include "records/log_file.h"
#include "records/script_report.h"

namespace {

// What the run changes as it goes; the configuration stays as it was read.
struct RunState {
  int status = 0;
  bool create_log = false;  // also forced on by an error in the guarded stage
  std::string avisynth_error;
  ReportTexts texts;
  FrameLoopState loop;
  // From the loop's start until its records are written, a request to stop
  // (Ctrl+C, SIGTERM, ...) ends the run as Esc does instead of the process.
  std::optional<platform::StopDeferral> keep_records;
};

// How the guarded stage ended when nothing was thrown.
enum class StageEnd { kMeasured, kInfoOnly, kRangeDeclined, kNoFrames };

// The run's use of the library. However the run leaves, what the script left
// is dropped and the library is left (see AvsLibrary for why it may stay
// loaded).
class ScriptUse {
 public:
  explicit ScriptUse(const std::string& avsdll) : library_(avsdll) {}
  ~ScriptUse() { Finish(); }
  ScriptUse(const ScriptUse&) = delete;
  ScriptUse& operator=(const ScriptUse&) = delete;

  AvsLibrary& library() { return library_; }

  // Also called before the records are written, so that a script's threads
  // stop before the run writes and waits; a second call does nothing.
  void Finish() {
    if (library_.HasEnvironment()) {
      try {
        CallTranslated([&] { library_.binding().DropValues(); });
      } catch (...) {
        // The run goes on to its records even when releasing the values faults.
      }
    }
    library_.Leave();
  }

 private:
  AvsLibrary library_;
};

RecordOptions RunRecordOptions(const Settings& settings, const CGPUInfo* gpu) {
  return RecordOptionsFrom(settings, gpu ? gpu->video_engine_available : 0);
}

// The first pass that picks the sampling interval; not for -info runs.
bool Analyse(const RunConfig& config, int interface_version, Console& console,
             uint32_t* sampling_interval, std::string* error) {
  PrintStatusLine(console, "Analysing script...");
  const bool analysed =
      AnalyseScript(config.command_line.ScriptPath, config.settings.AVSDLL, interface_version,
                    config.settings.InvokeDistributor, sampling_interval, error);
  PrintStatusLine(console, "");
  if (!analysed && error->empty()) *error = "Unknown exception";
  return analysed;
}

// Entry points, environment and the script's clip. False with the message
// when the library cannot serve; script errors arrive as exceptions.
bool Load(const RunConfig& config, int interface_version, AvsLibrary& library,
          StageTimes* stages, LoadingState* loading, Console& console, std::string* error) {
  if (!library.FindFactory()) {
    *error = std::string("\n") + kNoFactoryText + "\n";
    return false;
  }
  if (!library.CreateEnvironment(interface_version)) {
    *error = "\nCould not create IScriptenvironment\n";
    return false;
  }
  library.binding().AddStageMarker(stages);
  PrintStatusLine(console, "Loading script...");
  ImportForRun(library.binding(), config.command_line.ScriptPath);
  PrintStatusLine(console, "");
  FinishLoading(loading, library.binding(), config.command_line.ScriptPath,
                config.settings.InvokeDistributor);
  return true;
}

// The report sections, and the clip's lines on the console.
void Describe(const ReportInput& report, RunState* run, Console& console) {
  BuildGeneralInfo(report, &run->texts);
  PrintStatusLine(console, "");
  BuildGraphicsCardInfo(report, &run->texts);
  BuildClipInfo(report, &run->texts);
  console.Print(kColorNone, run->texts.clip_console);
}

// The range checked (the whole clip offered when it does not fit) and the
// frame loop over it.
StageEnd Measure(const RunConfig& config, uint32_t frame_count, uint32_t sampling_interval,
                 AvsLibrary& library, CGPUInfo* gpu, FrameLoopOptions* loop_options,
                 RunState* run, Console& console) {
  console.Print(kColorNone, "\n");
  const RangeDecision decision = CheckFrameRange(frame_count, RequestedRangeFrom(config.settings));
  FrameRange range = decision.range;
  if (decision.check == RangeCheck::kNoFrames) return StageEnd::kNoFrames;
  if (decision.check == RangeCheck::kOutsideClip) {
    if (!OfferWholeClip(frame_count, config.settings.FrameRangeText, &range, console)) {
      return StageEnd::kRangeDeclined;
    }
    loop_options->show_status = false;
  }
  CGPUInfo* monitor = config.settings.MonitorGPULoad ? gpu : nullptr;
  run->keep_records.emplace();
  RunClipFrameLoop(library.binding().Frames(), range, sampling_interval, *loop_options, monitor,
                   run->loop, console);
  return StageEnd::kMeasured;
}

// The log of the info and declined-range paths: no runtime section, no rows.
void WriteReportOnlyLog(const RunConfig& config, const RunState& run, const CGPUInfo* gpu,
                        uint16_t color, Console& console) {
  if (!run.create_log) return;
  std::string error;
  if (!WriteLogFile(config.command_line.ScriptPath, run.texts.report, run.texts.graphics, {}, 0, "",
                    RunRecordOptions(config.settings, gpu), &error)) {
    console.Print(color, error);
  }
}

// The guarded stage's handler: the error on the console, the log forced on.
void ReportGuardedFailure(RunState* run, const std::string& text, bool is_avisynth_error,
                          Console& console) {
  PrintStatusLine(console, "");
  run->create_log = true;
  run->status = -1;
  if (is_avisynth_error) run->avisynth_error = text;
  const bool before_loop = run->loop.before_loop;
  if (!before_loop) {
    console.MoveUp(2);
    PrintPaddedLine(console, kColorNone, "");
    PrintPaddedLine(console, kColorNone, "");
    console.MoveUp(2);
  }
  const char* head = (is_avisynth_error && !before_loop) ? "\r" : "\n";
  console.Print(kColorError, head + text + "\n");
}

// After the summary, set apart by an empty line.
void PrintStageTable(const std::vector<std::string>& lines, Console& console) {
  PrintPaddedLine(console, kColorNone, std::string());
  for (const std::string& line : lines) PrintPaddedLine(console, kColorValue, line);
}

// The log and the CSV the configuration asks for. False with the message
// when one cannot be written.
bool Record(const RunConfig& config, const RunState& run, const CGPUInfo* gpu,
            const std::vector<std::string>& stage_table, std::string* error) {
  const std::string& script = config.command_line.ScriptPath;
  const RecordOptions options = RunRecordOptions(config.settings, gpu);
  if (run.create_log &&
      !WriteLogFile(script, run.texts.report, run.texts.graphics, run.loop.samples,
                    run.loop.stats.record_count, run.avisynth_error, options, error,
                    stage_table)) {
    return false;
  }
  return !config.settings.CreateCSV ||
         WriteCsvFile(script, run.loop.samples, run.loop.stats.record_count, options, error);
}

}  // namespace

int RunScript(const RunConfig& config, const CAvisynthInfo& avsinfo, CGPUInfo* gpu,
              Console& console) {
  const bool info_only = config.command_line.ClipInfo != 0;
  std::string error;
  uint32_t sampling_interval = 0;
  // Errors reported from here on belong to the script's run, not to the
  // checks before it.
  platform::ClearLastError();
  if (!info_only &&
      !Analyse(config, avsinfo.interface_version, console, &sampling_interval, &error)) {
    return ExitWithError(console, "\n" + error + "\n");
  }

  // Outlives the library's use: the script's markers point into it.
  StageTimes stages;
  std::vector<std::string> stage_table;  // only for a script with markers
  ScriptUse use(config.settings.AVSDLL);
  AvsLibrary& library = use.library();
  if (!library.Load())
    return ExitWithError(console, "\nCannot load avisynth.dll\n" + SystemErrorText() + "\n");
  platform::ClearLastError();

  LoadingState loading;
  RunState run;
  run.create_log = config.settings.CreateLog != 0;
  ReportInput report{
      ReportOptionsFrom(config.settings, config.program_version, config.command_line.Switches),
      config.command_line.ScriptPath, &avsinfo, gpu, &loading};
  FrameLoopOptions loop_options = FrameLoopOptionsFrom(config.settings);
  try {
    if (!Load(config, avsinfo.interface_version, library, &stages, &loading, console, &error))
      return ExitWithError(console, error);
    Describe(report, &run, console);
    const StageEnd end = info_only ? StageEnd::kInfoOnly
                                   : Measure(config, loading.frame_count, sampling_interval,
                                             library, gpu, &loop_options, &run, console);
    ReleaseScript(&library);
    switch (end) {
      case StageEnd::kMeasured:
        PrintRunSummary(run.loop, loop_options, &run.texts.report, console);
        if (stages.Used()) {
          stage_table = StageTableLines(stages.Figures(), stages.ManyThreads(),
                                        run.loop.stats.frames_processed,
                                        run.loop.stats.elapsed_ms);
          PrintStageTable(stage_table, console);
        }
        break;
      case StageEnd::kInfoOnly:
      case StageEnd::kRangeDeclined:
        WriteReportOnlyLog(config, run, gpu, end == StageEnd::kInfoOnly ? kColorError : kColorNone,
                           console);
        console.WaitAnyKey();
        return 0;
      case StageEnd::kNoFrames:
        return ExitWithError(console, kNoFramesMessage);
    }
  } catch (...) {
    bool is_avisynth_error = false;
    const std::string text = ExceptionText(nullptr, &is_avisynth_error);
    ReportGuardedFailure(&run, text, is_avisynth_error, console);
  }
  use.Finish();

  // A request kept during the run ends the program here, once the records are
  // written or have failed: not at the exit pause, which would wait for a key.
  const bool recorded = Record(config, run, gpu, stage_table, &error);
  if (!recorded) console.Print(kColorError, error);
  run.keep_records.reset();
  run.loop.samples = {};
  console.WaitAnyKey();
  return recorded ? run.status : -1;
}
