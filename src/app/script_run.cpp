#include "app/script_run.h"

#include <optional>

#include "app/filter_graph_dump.h"
#include "app/run_options.h"
#include "settings_file/settings.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "bench/clip_frame_loop.h"
#include "bench/frame_loop.h"
#include "bench/frame_range.h"
#include "bench/run_summary.h"
#include "console/console.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "measure/stage_times.h"
#include "platform/stop_request.h"
#include "records/csv_file.h"
#include "records/log_file.h"
#include "records/script_report.h"

namespace app {

namespace {

// What the run changes as it goes; the configuration stays as it was read.
struct RunState {
  int status = 0;
  bool create_log = false;  // also forced on by an error in the guarded stage
  std::string avisynth_error;
  records::ReportTexts texts;
  bench::FrameLoopState loop;
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

  avs_host::AvsLibrary& library() { return library_; }

  // Also called before the records are written, so that a script's threads
  // stop before the run writes and waits; a second call does nothing.
  void Finish() {
    if (library_.HasEnvironment()) {
      try {
        fault::CallTranslated([&] { library_.binding().DropValues(); });
      } catch (...) {
        // The run goes on to its records even when releasing the values faults.
      }
    }
    library_.Leave();
  }

 private:
  avs_host::AvsLibrary library_;
};

records::RecordOptions RunRecordOptions(const Settings& settings, const measure::GpuMonitor* gpu) {
  return RecordOptionsFrom(settings, gpu ? gpu->video_engine_available : false);
}

// The first pass that picks the sampling interval; not for -info runs.
bool Analyse(const RunConfig& config, int interface_version, console::Console& console,
             uint32_t* sampling_interval, std::string* error) {
  console::PrintStatusLine(console, "Analysing script...");
  const bool analysed =
      avs_host::AnalyseScript(config.command_line.script_path, config.settings.AVSDLL, interface_version,
                    config.settings.InvokeDistributor, sampling_interval, error);
  console::PrintStatusLine(console, "");
  if (!analysed && error->empty()) *error = "Unknown exception";
  return analysed;
}

// Entry points, environment and the script's clip. False with the message
// when the library cannot serve; script errors arrive as exceptions.
// *graph_analysis tells whether the filter graph can be dumped after the run.
bool Load(const RunConfig& config, int interface_version, avs_host::AvsLibrary& library,
          measure::StageTimes* stages, avs_host::LoadingState* loading, bool* graph_analysis,
          console::Console& console, std::string* error) {
  if (!library.FindFactory()) {
    *error = std::string("\n") + avs_host::kNoFactoryText + "\n";
    return false;
  }
  if (!library.CreateEnvironment(interface_version)) {
    *error = "\nCould not create IScriptenvironment\n";
    return false;
  }
  library.binding().AddStageMarker(stages);
  // Graph analysis serves the log's run only; it must be on before the import.
  if (config.settings.CreateLog && !config.command_line.clip_info)
    *graph_analysis = EnableGraphAnalysisIfOffered(library.binding());
  console::PrintStatusLine(console, "Loading script...");
  avs_host::ImportForRun(library.binding(), config.command_line.script_path);
  console::PrintStatusLine(console, "");
  avs_host::FinishLoading(loading, library.binding(), config.command_line.script_path,
                config.settings.InvokeDistributor);
  return true;
}

// The report sections, and the clip's lines on the console.
void Describe(const records::ReportInput& report, RunState* run, console::Console& console) {
  records::BuildGeneralInfo(report, &run->texts);
  console::PrintStatusLine(console, "");
  records::BuildGraphicsCardInfo(report, &run->texts);
  records::BuildClipInfo(report, &run->texts);
  console.Print(console::kColorNone, run->texts.clip_console);
}

// The range checked (the whole clip offered when it does not fit) and the
// frame loop over it.
StageEnd Measure(const RunConfig& config, uint32_t frame_count, uint32_t sampling_interval,
                 avs_host::AvsLibrary& library, measure::GpuMonitor* gpu, bench::FrameLoopOptions* loop_options,
                 RunState* run, console::Console& console) {
  console.Print(console::kColorNone, "\n");
  const bench::RangeDecision decision = bench::CheckFrameRange(frame_count, RequestedRangeFrom(config.settings));
  bench::FrameRange range = decision.range;
  if (decision.check == bench::RangeCheck::kNoFrames) return StageEnd::kNoFrames;
  if (decision.check == bench::RangeCheck::kOutsideClip) {
    if (!bench::OfferWholeClip(frame_count, config.settings.FrameRangeText, &range, console)) {
      return StageEnd::kRangeDeclined;
    }
    loop_options->show_status = false;
  }
  measure::GpuMonitor* monitor = config.settings.MonitorGPULoad ? gpu : nullptr;
  run->keep_records.emplace();
  bench::RunClipFrameLoop(library.binding().Frames(), range, sampling_interval, *loop_options, monitor,
                   run->loop, console);
  return StageEnd::kMeasured;
}

// The log of the info and declined-range paths: no runtime section, no rows.
void WriteReportOnlyLog(const RunConfig& config, const RunState& run, const measure::GpuMonitor* gpu,
                        uint16_t color, console::Console& console) {
  if (!run.create_log) return;
  std::string error;
  if (!records::WriteLogFile(config.command_line.script_path, run.texts.report, run.texts.graphics, {}, 0, "",
                    RunRecordOptions(config.settings, gpu), &error)) {
    console.Print(color, error);
  }
}

// The guarded stage's handler: the error on the console, the log forced on.
void ReportGuardedFailure(RunState* run, const std::string& text, bool is_avisynth_error,
                          console::Console& console) {
  console::PrintStatusLine(console, "");
  run->create_log = true;
  run->status = -1;
  if (is_avisynth_error) run->avisynth_error = text;
  const bool before_loop = run->loop.before_loop;
  if (!before_loop) {
    console.MoveUp(2);
    console::PrintPaddedLine(console, console::kColorNone, "");
    console::PrintPaddedLine(console, console::kColorNone, "");
    console.MoveUp(2);
  }
  const char* head = (is_avisynth_error && !before_loop) ? "\r" : "\n";
  console.Print(console::kColorError, head + text + "\n");
}

// After the summary, set apart by an empty line.
void PrintStageTable(const std::vector<std::string>& lines, console::Console& console) {
  console::PrintPaddedLine(console, console::kColorNone, std::string());
  for (const std::string& line : lines) console::PrintPaddedLine(console, console::kColorValue, line);
}

// The log and the CSV the configuration asks for. False with the message
// when one cannot be written.
bool Record(const RunConfig& config, const RunState& run, const measure::GpuMonitor* gpu,
            const std::vector<std::string>& stage_table, std::string* error) {
  const std::string& script = config.command_line.script_path;
  const records::RecordOptions options = RunRecordOptions(config.settings, gpu);
  if (run.create_log &&
      !records::WriteLogFile(script, run.texts.report, run.texts.graphics, run.loop.samples,
                             run.loop.stats.record_count, run.avisynth_error, options, error,
                             stage_table)) {
    return false;
  }
  return !config.settings.CreateCSV ||
         records::WriteCsvFile(script, run.loop.samples, run.loop.stats.record_count, options, error);
}

}  // namespace

int RunScript(const RunConfig& config, const avs_host::LibraryFacts& avsinfo, measure::GpuMonitor* gpu,
              console::Console& console) {
  const bool info_only = config.command_line.clip_info;
  std::string error;
  uint32_t sampling_interval = 0;
  if (!info_only &&
      !Analyse(config, avsinfo.interface_version, console, &sampling_interval, &error)) {
    return console::ExitWithError(console, "\n" + error + "\n");
  }

  // Outlives the library's use: the script's markers point into it.
  measure::StageTimes stages;
  std::vector<std::string> stage_table;  // only for a script with markers
  ScriptUse use(config.settings.AVSDLL);
  avs_host::AvsLibrary& library = use.library();
  if (std::string reason; !library.Load(&reason))
    return console::ExitWithError(console, "\n" + avs_host::WithSystemError(avs_host::kCannotLoadText, reason) + "\n");

  avs_host::LoadingState loading;
  RunState run;
  run.create_log = config.settings.CreateLog;
  records::ReportInput report{
      ReportOptionsFrom(config.settings, config.program_version, config.command_line.switches),
      config.command_line.script_path, &avsinfo, gpu, &loading};
  bench::FrameLoopOptions loop_options = FrameLoopOptionsFrom(config.settings);
  bool graph_analysis = false;
  try {
    if (!Load(config, avsinfo.interface_version, library, &stages, &loading, &graph_analysis,
              console, &error))
      return console::ExitWithError(console, error);
    Describe(report, &run, console);
    const StageEnd end = info_only ? StageEnd::kInfoOnly
                                   : Measure(config, loading.frame_count, sampling_interval,
                                             library, gpu, &loop_options, &run, console);
    // The loop has ended, so no frame is in flight; the values still live.
    if (end == StageEnd::kMeasured && graph_analysis)
      DumpFilterGraphBesideScript(library.binding(), config.command_line.script_path);
    avs_host::ReleaseScript(&library);
    switch (end) {
      case StageEnd::kMeasured:
        bench::PrintRunSummary(run.loop, loop_options, &run.texts.report, console);
        if (stages.Used()) {
          stage_table = measure::StageTableLines(stages.Figures(), stages.ManyThreads(),
                                               run.loop.stats.frames_processed,
                                               run.loop.stats.elapsed_ms);
          PrintStageTable(stage_table, console);
        }
        break;
      // These leave the library before the exit pause, as the normal end does.
      case StageEnd::kInfoOnly:
      case StageEnd::kRangeDeclined:
        WriteReportOnlyLog(config, run, gpu, end == StageEnd::kInfoOnly ? console::kColorError : console::kColorNone,
                           console);
        use.Finish();
        console.WaitAnyKey();
        return 0;
      case StageEnd::kNoFrames:
        use.Finish();
        return console::ExitWithError(console, bench::kNoFramesMessage);
    }
  } catch (...) {
    bool is_avisynth_error = false;
    const std::string text = avs_host::ExceptionText(nullptr, &is_avisynth_error);
    ReportGuardedFailure(&run, text, is_avisynth_error, console);
  }
  use.Finish();

  // A request kept during the run ends the program here, once the records are
  // written or have failed: not at the exit pause, which would wait for a key.
  const bool recorded = Record(config, run, gpu, stage_table, &error);
  if (!recorded) console.Print(console::kColorError, error);
  run.keep_records.reset();
  run.loop.samples = {};
  console.WaitAnyKey();
  return recorded ? run.status : -1;
}

}  // namespace app
