#include "app/script_run.h"

#include "app/settings.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "avs_host/script_report.h"
#include "console/console_utils.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "platform/clock.h"

namespace {

int Stream() { return g_settings.ConUseSTDOUT; }

void BlankLine(const char* form) {
  ConsolePrint(Stream(), kColorNone, form, g_utils.PadLine("").c_str());
}

int ExitWithError(const std::string& text) {
  ConsolePrintText(Stream(), kColorError, text);
  WaitAnyKey();
  return -1;
}

// What the guarded stage leaves for the normal end.
struct RunState {
  int status = 0;
  bool before_loop = true;
  std::string avisynth_error;
  ReportTexts texts;
};

// The shared steps of the guarded stage's handlers.
void ReportGuardedFailure(RunState* run, const std::string& text, bool is_avisynth_error) {
  BlankLine("\r%s\r");
  g_settings.CreateLog = 1;
  run->status = -1;
  if (is_avisynth_error) run->avisynth_error = text;
  if (!run->before_loop) {
    g_utils.MoveCursorUp(2);
    BlankLine("\r%s\n");
    BlankLine("\r%s\n");
    g_utils.MoveCursorUp(2);
  }
  const char* form = (is_avisynth_error && !run->before_loop) ? "\r%s\n" : "\n%s\n";
  ConsolePrint(Stream(), kColorError, form, text.c_str());
}

}  // namespace

int RunScript(const CommandLineOptions& options, const std::string& program_version,
              CGPUInfo* gpu) {
  const std::string& script = options.ScriptPath;
  if (!options.ClipInfo) {
    ConsolePrint(Stream(), kColorNone, "\r%s\r", g_utils.PadLine("Analysing script...").c_str());
    std::string message;
    uint32_t interval = AnalyseScript(script, g_settings.AVSDLL, g_avsinfo.interface_version,
                                      g_settings.InvokeDistributor, &message);
    BlankLine("\r%s\r");
    if (interval == 0 || !message.empty()) {
      if (message.empty()) message = "Unknown exception";
      return ExitWithError("\n" + message + "\n");
    }
    (void)interval;
  }

  LoadingState loading;
  loading.library = LoadAvsLibrary(g_settings.AVSDLL);
  if (!loading.library)
    return ExitWithError("\nCannot load avisynth.dll\n" + SystemErrorText() + "\n");

  RunState run;
  ReportInput report{program_version, script,  options.Switches, &g_avsinfo,
                     gpu,             g_settings.MonitorGPULoad != 0, &loading};
  bool env_deleted = false;
  try {
    CreateScriptEnvironmentFn factory = FindEnvironmentFactory(loading.library);
    if (!factory) return ExitWithError("\nFailed to load CreateScriptEnvironment()\n");
    loading.env = CreateEnvironment(factory, g_avsinfo.interface_version);
    if (!loading.env) return ExitWithError("\nCould not create IScriptenvironment\n");

    LoadScript(&loading, script, g_settings.InvokeDistributor);
    BuildGeneralInfo(report, &run.texts);
    BlankLine("\r%s\r");
    BuildGraphicsCardInfo(report, &run.texts);
    BuildClipInfo(report, &run.texts);

    if (options.ClipInfo) {
      platform::SleepMs(100);
      loading.DropValues();
      loading.env->DeleteScriptEnvironment();
      env_deleted = true;
      // TODO(bench): write the log in info mode.
      UnloadWithoutDelete(loading.library);
      WaitAnyKey();
      return 0;
    }
    ConsolePrint(Stream(), kColorNone, "\n");
    // TODO(bench): frame range, frame loop and summary.
    loading.DropValues();
    platform::SleepMs(100);
    loading.env->DeleteScriptEnvironment();
    env_deleted = true;
  } catch (const AvisynthError& e) {
    ReportGuardedFailure(&run, e.msg ? e.msg : "", true);
  } catch (const SE_Exception& e) {
    ReportGuardedFailure(&run, FormatStructuredException(e.getSeNumber()), false);
  } catch (...) {
    std::string text = SystemErrorText();
    ReportGuardedFailure(&run, text.empty() ? "Unknown exception" : text, false);
  }

  if (!env_deleted) {
    try {
      CallTranslated([&] { loading.DropValues(); });
    } catch (...) {
      // The library is unloaded even when releasing its values faults.
    }
  }
  UnloadWithoutDelete(loading.library);
  // TODO(bench): log and CSV files.
  WaitAnyKey();
  return run.status;
}
