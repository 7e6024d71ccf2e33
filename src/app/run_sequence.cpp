#include "app/run_sequence.h"

#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/run_options.h"
#include "app/script_run.h"
#include "settings_file/settings.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "console/console.h"
#include "console/terminal_console.h"
#include "fault/structured_exception.h"
#include "measure/gpu_info.h"
#include "platform/console.h"
#include "platform/fault_guard.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/stop_request.h"

namespace app {

namespace {

const char kInstanceLockName[] = "__korbinet__single__instance__lock__";

void ShowAvisynthInfo(const avs_host::LibraryFacts& info, console::Console& console) {
  console.MoveUp(1);
  console::EraseRow(console);
  console.Print(console::kColorNone, "\n");
  auto line = [&](const char* label, const std::string& value) {
    console.PrintToStdout(console::kColorValue, label + value + "\n");
  };
  line("Avisynth version string:     ", info.version_string);
  line("File version:                ", info.file_version);
  line("Avisynth Interface Version:  ", std::to_string(info.interface_version));
  line("Muli-threading support:      ", info.mt_support ? "Yes" : "No");
  line("Linker/compiler version:     ", info.linker_version);
  line("Avisynth DLL location:       ", info.location);
  line("Avisynth DLL time stamp:     ", info.time_stamp);
  for (const auto& plugin_line : info.plugin_dirs) {
    if (plugin_line.empty()) continue;
    line("", avs_host::SplitPluginLine(plugin_line, "   "));
  }
  console.Print(console::kColorNone, "\n");
}

platform::Priority PriorityFor(int setting) {
  if (setting == 1) return platform::Priority::kIdle;
  if (setting == 3) return platform::Priority::kHigh;
  return platform::Priority::kNormal;
}

// The GPU-Z check before the script is touched. False ends the run (the
// message has been printed when there is one); *monitor_gpu is cleared when
// the user goes on without monitoring.
bool CheckGpuMonitor(measure::GpuMonitor* gpu, console::Console& console, bool* monitor_gpu) {
  if (!*monitor_gpu) return true;
  if (!gpu->gpuz_running) {
    // Keys typed while the question is being printed must not be echoed.
    platform::Keyboard::Mode keyboard(console.Keys());
    console.Print(console::kColorError, "\nIn order to measure GPU usage, GPU-Z must be running.\n\n");
    console.Print(console::kColorNone, "Continue without GPU monitoring? [y/n]");
    if (console.AskYesNo(10)) {
      for (int i = 0; i < 3; ++i) {
        console::EraseRow(console);
        console.MoveUp(1);
      }
      *monitor_gpu = false;
      return true;
    }
    console::EraseRow(console);
    console.MoveUp(1);
    console::EraseRow(console);
    console.MoveUp(1);
    console::PrintPaddedLine(console, console::kColorNone, "");
    console.WaitAnyKey();
    return false;
  }
  std::string error;
  if (!gpu->OpenSharedMemory(&error)) {
    // Concatenated: the system's text is data of any length.
    console::ExitWithError(console, "\nCannot initialize GPU-Z shared memory:\n" + error + "\n");
    return false;
  }
  return true;
}

}  // namespace

int RunKorbinet(int argc, char** argv, platform::Keyboard& keyboard) {
  platform::InstallTerminalRestore();
  platform::InstallStopHandlers();
  platform::InstallFaultHandlers();

  RunConfig config;
  const std::string version5 = platform::ProgramVersion();
  config.program_version = version5 + " (x64)";
  Settings& settings = config.settings;

  // Answered before the settings file, the probe and the lock, so that they
  // work on a machine with no library and leave no file behind.
  if (argc >= 2) {
    const std::string first = argv[1] != nullptr ? argv[1] : "";
    if (first == "--help" || first == "-h") {
      console::TerminalConsole console(console::ConsoleOptions{}, keyboard);
      PrintUsage(console);
      return 0;
    }
    if (first == "--version") {
      platform::WriteText(true, "Korbinet " + config.program_version + "\n");
      return 0;
    }
  }

  std::string error;
  const bool loaded = settings_file::LoadSettingsFrom(settings_file::SettingsFilePath(), version5, &settings, &error);
  console::TerminalConsole console(ConsoleOptionsFrom(settings), keyboard);
  if (!loaded) {
    console.PrintToStdout(console::kColorError, error);
    console.WaitAnyKey();
    return -1;
  }

  console.Print(console::kColorBanner, "\nKorbinet " + config.program_version + "\n");
  console::PrintStatusLine(console, "Query Avisynth info...");

  if (!settings.AVSDLL.empty() && !platform::FileExists(settings.AVSDLL))
    return console::ExitWithError(console,
                                  std::string(avs_host::kLibraryMissingText) + "\n" + settings.AVSDLL + "\n");

  avs_host::LibraryFacts avsinfo;
  const bool probed = avs_host::ProbeAvisynth(settings.AVSDLL, &avsinfo, &error);
  console::PrintStatusLine(console, "");
  if (!probed) return console::ExitWithError(console, "\n" + avs_host::ProbeFailureText(avsinfo, error) + "\n");
  console.Print(console::kColorVersion, "\r" + avsinfo.version_string);
  console.Print(console::kColorValue, " (" + avsinfo.file_version + ")\n");

  if (settings.AllowOnlyOneInstance &&
      platform::TakeNamedLock(kInstanceLockName, nullptr) == platform::LockResult::kAlreadyHeld)
    return console::ExitWithError(console, "\nOne instance of Korbinet is already running\n");

  if (argc < 2) {
    PrintUsage(console);
    console.WaitAnyKey();
    return -1;
  }
  CommandLineOptions& options = config.command_line;
  if (!ParseCommandLine(argc, argv, &settings, &options, &error)) {
    console.Print(console::kColorError, error);
    console.WaitAnyKey();
    return -1;
  }
  if (options.avs_info) {
    ShowAvisynthInfo(avsinfo, console);
    console.WaitAnyKey();
    return 0;
  }
  if (options.script_path.empty()) return console::ExitWithError(console, "\nNo script file specified\n");

  platform::SetProcessPriority(PriorityFor(settings.ProcessPriority));
  auto gpu = std::make_unique<measure::GpuMonitor>();
  if (!CheckGpuMonitor(gpu.get(), console, &settings.MonitorGPULoad)) return -1;

  return RunScript(config, avsinfo, gpu.get(), console);
}

}  // namespace app
