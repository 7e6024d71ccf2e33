#include "app/script_run.h"

#include "app/run_console.h"
#include "app/run_options.h"
#include "app/settings.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "avs_host/script_report.h"
#include "bench/clip_frame_loop.h"
#include "bench/csv_file.h"
#include "bench/frame_loop.h"
#include "bench/frame_range.h"
#include "bench/log_file.h"
#include "bench/run_summary.h"
#include "console/console_utils.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "platform/error.h"

namespace {

int32_t VideoEngineFlag(const CGPUInfo* gpu) { return gpu ? gpu->video_engine_available : 0; }

RecordOptions RunRecordOptions(const CGPUInfo* gpu) {
  return RecordOptionsFrom(g_settings, VideoEngineFlag(gpu));
}

// The log of the info and declined-range paths: no runtime section, no rows.
void WriteReportOnlyLog(const std::string& script, const ReportTexts& texts, const CGPUInfo* gpu,
                        uint16_t color) {
  if (!g_settings.CreateLog) return;
  std::string message =
      WriteLogFile(script, texts.report, texts.graphics, {}, 0, "", RunRecordOptions(gpu));
  if (!message.empty()) ConsolePrintText(RunStream(), color, message);
}

// What the guarded stage leaves for the normal end.
struct RunState {
  int status = 0;
  std::string avisynth_error;
  ReportTexts texts;
  FrameLoopState loop;
};

// The shared steps of the guarded stage's handlers.
void ReportGuardedFailure(RunState* run, const std::string& text, bool is_avisynth_error) {
  BlankLine("\r%s\r");
  g_settings.CreateLog = 1;
  run->status = -1;
  if (is_avisynth_error) run->avisynth_error = text;
  const bool before_loop = run->loop.before_loop;
  if (!before_loop) {
    g_utils.MoveCursorUp(2);
    BlankLine("\r%s\n");
    BlankLine("\r%s\n");
    g_utils.MoveCursorUp(2);
  }
  const char* form = (is_avisynth_error && !before_loop) ? "\r%s\n" : "\n%s\n";
  ConsolePrint(RunStream(), kColorError, form, text.c_str());
}

}  // namespace

int RunScript(const CommandLineOptions& options, const CAvisynthInfo& avsinfo,
              const std::string& program_version,
              CGPUInfo* gpu) {
  const std::string& script = options.ScriptPath;
  uint32_t sampling_interval = 0;
  // Errors reported from here on belong to the script's run, not to the
  // checks before it.
  platform::ClearLastError();
  if (!options.ClipInfo) {
    ConsolePrint(RunStream(), kColorNone, "\r%s\r", g_utils.PadLine("Analysing script...").c_str());
    std::string message;
    const bool analysed = AnalyseScript(script, g_settings.AVSDLL, avsinfo.interface_version,
                                        g_settings.InvokeDistributor, &sampling_interval, &message);
    BlankLine("\r%s\r");
    if (!analysed) {
      if (message.empty()) message = "Unknown exception";
      return ExitWithError("\n" + message + "\n");
    }
  }

  AvsLibrary library(g_settings.AVSDLL);
  if (!library.Load())
    return ExitWithError("\nCannot load avisynth.dll\n" + SystemErrorText() + "\n");
  platform::ClearLastError();

  LoadingState loading;
  RunState run;
  ReportInput report{ReportOptionsFrom(g_settings, program_version, options.Switches), script,
                     &avsinfo, gpu, &loading};
  try {
    if (!library.FindFactory())
      return ExitWithError(std::string("\n") + kNoFactoryText + "\n");
    if (!library.CreateEnvironment(avsinfo.interface_version))
      return ExitWithError("\nCould not create IScriptenvironment\n");

    ConsolePrint(RunStream(), kColorNone, "\r%s\r", g_utils.PadLine("Loading script...").c_str());
    ImportForRun(library.binding(), script);
    BlankLine("\r%s\r");
    FinishLoading(&loading, library.binding(), script, g_settings.InvokeDistributor);
    BuildGeneralInfo(report, &run.texts);
    BlankLine("\r%s\r");
    BuildGraphicsCardInfo(report, &run.texts);
    BuildClipInfo(report, &run.texts);
    ConsolePrintText(RunStream(), kColorNone, run.texts.clip_console);

    if (options.ClipInfo) {
      ReleaseScript(&library);
      WriteReportOnlyLog(script, run.texts, gpu, kColorError);
      library.Leave();
      WaitAnyKey();
      return 0;
    }
    ConsolePrint(RunStream(), kColorNone, "\n");

    FrameLoopOptions loop_options = FrameLoopOptionsFrom(g_settings);
    const RangeDecision decision =
        CheckFrameRange(loading.frame_count, RequestedRangeFrom(g_settings));
    g_settings.FrameRangeLast = decision.last;
    FrameRange range = decision.range;
    if (decision.check == RangeCheck::kNoFrames) {
      ReleaseScript(&library);
      library.Leave();
      return ExitWithError(kNoFramesMessage);
    }
    if (decision.check == RangeCheck::kOutsideClip) {
      if (!OfferWholeClip(loading.frame_count, g_settings.FrameRangeText, &range)) {
        ReleaseScript(&library);
        WriteReportOnlyLog(script, run.texts, gpu, kColorNone);
        library.Leave();
        WaitAnyKey();
        return 0;
      }
      loop_options.show_status = false;
    }

    CGPUInfo* monitor = g_settings.MonitorGPULoad ? gpu : nullptr;
    RunClipFrameLoop(library.binding().Frames(), range, sampling_interval, loop_options, monitor,
                     run.loop);
    ReleaseScript(&library);
    PrintRunSummary(run.loop, loop_options, &run.texts.report);
  } catch (const AvisynthError& e) {
    ReportGuardedFailure(&run, e.msg ? e.msg : "", true);
  } catch (const SE_Exception& e) {
    ReportGuardedFailure(&run, FormatStructuredException(e.getSeNumber()), false);
  } catch (...) {
    std::string text = SystemErrorText();
    ReportGuardedFailure(&run, text.empty() ? "Unknown exception" : text, false);
  }

  if (library.HasEnvironment()) {
    try {
      CallTranslated([&] { library.binding().DropValues(); });
    } catch (...) {
      // The run goes on to its records even when releasing the values faults.
    }
  }
  library.Leave();

  if (g_settings.CreateLog) {
    std::string message =
        WriteLogFile(script, run.texts.report, run.texts.graphics, run.loop.samples,
                     run.loop.stats.record_count, run.avisynth_error, RunRecordOptions(gpu));
    if (!message.empty()) return ExitWithError(message);
  }
  if (g_settings.CreateCSV) {
    std::string message = WriteCsvFile(script, run.loop.samples, run.loop.stats.record_count,
                                       RunRecordOptions(gpu));
    if (!message.empty()) return ExitWithError(message);
  }
  run.loop.samples = {};
  WaitAnyKey();
  return run.status;
}
