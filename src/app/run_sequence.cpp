#include "app/run_sequence.h"

#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/run_console.h"
#include "app/run_options.h"
#include "app/script_run.h"
#include "app/settings.h"
#include "avs_host/avisynth_info.h"
#include "console/console_utils.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/text.h"

namespace {

const char kInstanceLockName[] = "__korbinet__single__instance__lock__";

void ShowAvisynthInfo(const CAvisynthInfo& info) {
  g_utils.MoveCursorUp(1);
  BlankLine("\r%s");
  ConsolePrint(RunStream(), kColorNone, "\n");
  ConsolePrint(1, kColorValue, "Avisynth version string:     %s\n", info.version_string.c_str());
  ConsolePrint(1, kColorValue, "File version:                %s\n", info.file_version.c_str());
  ConsolePrint(1, kColorValue, "Avisynth Interface Version:  %d\n", info.interface_version);
  ConsolePrint(1, kColorValue, "Muli-threading support:      %s\n", info.mt_support ? "Yes" : "No");
  ConsolePrint(1, kColorValue, "Linker/compiler version:     %s\n", info.linker_version.c_str());
  ConsolePrint(1, kColorValue, "Avisynth DLL location:       %s\n",
               g_utils.AnsiToOem(info.location).c_str());
  ConsolePrint(1, kColorValue, "Avisynth DLL time stamp:     %s\n", info.time_stamp.c_str());
  for (const auto& line : info.plugin_dirs) {
    if (line.empty()) continue;
    ConsolePrint(1, kColorValue, "%s\n", g_utils.AnsiToOem(SplitPluginLine(line, "   ")).c_str());
  }
  ConsolePrint(RunStream(), kColorNone, "\n");
}

platform::Priority PriorityFor(int setting) {
  if (setting == 1) return platform::Priority::kIdle;
  if (setting == 3) return platform::Priority::kHigh;
  return platform::Priority::kNormal;
}

// The GPU-Z check before the script is touched. False ends the run (the
// message has been printed when there is one).
bool CheckGpuMonitor(CGPUInfo* gpu) {
  if (!g_settings.MonitorGPULoad) return true;
  if (!gpu->gpuz_running) {
    // Keys typed while the question is being printed must not be echoed.
    platform::KeyboardMode keyboard;
    ConsolePrint(RunStream(), kColorError,
                 "\nIn order to measure GPU usage, GPU-Z must be running.\n\n");
    ConsolePrint(RunStream(), kColorNone, "Continue without GPU monitoring? [y/n]");
    if (AskYesNo(10)) {
      for (int i = 0; i < 3; ++i) {
        BlankLine("\r%s");
        g_utils.MoveCursorUp(1);
      }
      g_settings.MonitorGPULoad = 0;
      return true;
    }
    BlankLine("\r%s");
    g_utils.MoveCursorUp(1);
    BlankLine("\r%s");
    g_utils.MoveCursorUp(1);
    BlankLine("\r%s\n");
    WaitAnyKey();
    return false;
  }
  if (!gpu->OpenSharedMemory()) {
    ExitWithError(text::Format("\nCannot initialize GPU-Z shared memory:\n%s",
                                       gpu->last_error.c_str()));
    return false;
  }
  return true;
}

}  // namespace

int RunKorbinet(int argc, char** argv) {
  platform::InstallTerminalRestore();
  platform::InstallFaultHandlers();

  const std::string version5 = platform::FileVersionText("").substr(0, 5);
  const std::string program_version = version5 + " (x64)";

  std::string error = LoadSettings();
  g_utils.SetOptions(ConsoleOptionsFrom(g_settings));
  if (!error.empty()) {
    ConsolePrintText(1, kColorError, error);
    WaitAnyKey();
    return -1;
  }

  ConsolePrint(RunStream(), kColorBanner, "\nKorbinet %s\n", program_version.c_str());
  ConsolePrint(RunStream(), kColorNone, "\r%s\r", g_utils.PadLine("Query Avisynth info...").c_str());

  if (!g_settings.AVSDLL.empty() && !platform::FileExists(g_settings.AVSDLL))
    return ExitWithError(text::Format("Specified avisynth.dll does not exist:\n%s\n",
                                              g_settings.AVSDLL.c_str()));

  std::string probe_message;
  CAvisynthInfo avsinfo;
  const bool probed = ProbeAvisynth(g_settings.AVSDLL, &avsinfo, &probe_message);
  BlankLine("\r%s\r");
  if (!probed) {
    if (avsinfo.image_not_mapped)
      return ExitWithError("\n" + probe_message + "\n");
    if (!avsinfo.is_64bit_image)
      return ExitWithError("\nKorbinet (x64) cannot load a 32 Bit avisynth.dll.\n");
    if (!probe_message.empty()) return ExitWithError("\n" + probe_message + "\n");
    return ExitWithError("\nCannot load avisynth.dll\n" + SystemErrorText() + "\n");
  }
  ConsolePrint(RunStream(), kColorVersion, "\r%s", avsinfo.version_string.c_str());
  ConsolePrint(RunStream(), kColorValue, " (%s)\n", avsinfo.file_version.c_str());

  if (g_settings.AllowOnlyOneInstance &&
      platform::TakeNamedLock(kInstanceLockName) == platform::LockResult::kAlreadyHeld)
    return ExitWithError("\nOne instance of Korbinet is already running\n");

  if (argc < 2) {
    PrintUsage();
    WaitAnyKey();
    return -1;
  }
  CommandLineOptions options;
  if (!ParseCommandLine(argc, argv, &g_settings, &options)) {
    WaitAnyKey();
    return -1;
  }
  if (options.AvsInfo) {
    ShowAvisynthInfo(avsinfo);
    WaitAnyKey();
    return 0;
  }
  if (options.ScriptPath.empty()) return ExitWithError("\nNo script file specified\n");

  platform::SetProcessPriority(PriorityFor(g_settings.ProcessPriority));
  auto gpu = std::make_unique<CGPUInfo>();
  if (!CheckGpuMonitor(gpu.get())) return -1;

  return RunScript(options, avsinfo, program_version, gpu.get());
}
