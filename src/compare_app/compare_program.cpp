#include "compare_app/compare_program.h"

#include <string_view>

#include "compare/compare_json.h"
#include "compare/compare_options.h"
#include "compare/compare_texts.h"
#include "compare_app/measuring.h"
#include "compare_app/progress_line.h"
#include "console/terminal_console.h"
#include "platform/child_process.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/machine_facts.h"
#include "platform/stop_request.h"

namespace compare_app {
namespace {

void PrintError(const std::string& message) {
  platform::WriteText(false, "korbinet-compare: " + message + "\n");
}

// The folder a path names its file in; "." for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// An output file whose folder is missing is found out now, not after
// minutes of measuring that could then not be written down.
bool OutputFoldersExist(const compare::CompareOptions& o, std::string* error) {
  const std::pair<std::string_view, const std::string*> outputs[] = {
      {"--json", &o.json_path}, {"--markdown", &o.markdown_path}, {"--csv", &o.csv_path}};
  for (const auto& [option, path] : outputs) {
    if (!path->empty() && !platform::DirectoryExists(FolderOf(*path))) {
      *error = std::string(option) + " " + *path + ": no such folder";
      return false;
    }
  }
  return true;
}

// A script that is not there is a fault of the command line, named in
// korbinet's words before any worker starts.
bool ScriptsExist(const compare::CompareOptions& o, std::string* error) {
  for (const std::string& script : o.sweeps.scripts) {
    if (!platform::FileExists(script)) {
      *error = "File not found: \"" + script + "\"";
      return false;
    }
  }
  return true;
}

// Esc on the keyboard, or Ctrl+C / SIGTERM kept by the deferral; once asked,
// it stays asked.
class StopCheck {
 public:
  explicit StopCheck(platform::Keyboard& keyboard) : keyboard_(keyboard) {}
  bool operator()() {
    while (!asked_ && keyboard_.KeyHit()) {
      const int key = keyboard_.ReadKey();
      if (key == platform::kKeyEscape) asked_ = true;
      if (key == platform::kKeyEndOfInput) break;
    }
    if (platform::StopRequestKept()) asked_ = true;
    return asked_;
  }

 private:
  platform::Keyboard& keyboard_;
  bool asked_ = false;
};

bool WriteOutput(const std::string& path, const std::string& content) {
  if (path.empty()) return true;
  std::string reason;
  if (platform::WriteFileReplacing(path, content, &reason)) return true;
  // An empty line follows the reason, as it always has.
  PrintError("cannot write " + path + ": " + reason + "\n");
  return false;
}

}  // namespace

int FinalStatus(const compare::CompareResult& result, bool file_failed) {
  for (const compare::VariantOutcome& outcome : result.outcomes) {
    if (!outcome.error.empty()) return kStatusVariantFailed;
  }
  if (file_failed) return kStatusVariantFailed;
  return compare::GateFails(result) ? kStatusGate : kStatusDone;
}

int RunCompare(const std::vector<std::string>& args, platform::Keyboard& keyboard, const ProgramConfig& config) {
  compare::CompareOptions options;
  std::string error;
  if (!compare::ParseCompareOptions(args, &options, &error)) {
    PrintError(error);
    platform::WriteText(false, compare::kUsage);
    return kStatusUsage;
  }
  if (options.version) {
    platform::WriteText(true, platform::ProgramVersionLine("korbinet-compare"));
    return kStatusDone;
  }
  if (options.help) {
    platform::WriteText(true, compare::kUsage);
    return kStatusDone;
  }
  if (!ScriptsExist(options, &error) || !OutputFoldersExist(options, &error)) {
    PrintError(error);
    return kStatusUsage;
  }

  platform::InstallTerminalRestore();
  platform::InstallStopHandlers();
  // A first Ctrl+C ends the measuring after the current round; what was
  // measured is still printed and written. A second ends at once.
  platform::StopDeferral deferral;

  MeasureConfig measure_config;
  measure_config.worker_program =
      config.worker_program.empty() ? platform::ExecutablePath() : config.worker_program;
  measure_config.answer_limit_seconds = config.answer_limit_seconds;

  console::ConsoleOptions console_options;
  console_options.use_color = false;
  console::TerminalConsole console(console_options, keyboard);
  ProgressLine progress(console, options);
  Measured measured;
  {
    platform::Keyboard::Mode key_by_key(keyboard);
    StopCheck stop(keyboard);
    measured = Measure(options, measure_config, progress, [&stop] { return stop(); });
  }
  progress.Finished();
  if (!measured.refusal.empty()) {
    PrintError(measured.refusal);
    return kStatusUsage;
  }
  if (measured.stopped) {
    platform::WriteText(false, "Stopped after " + std::to_string(measured.blocks_done) +
                                   " blocks; the figures are those measured until then.\n");
  }

  compare::CompareResult& result = measured.result;
  const platform::MachineFacts facts = platform::ReadMachineFacts();
  result.machine.processor = facts.processor;
  result.machine.cores = facts.cores;
  result.machine.os = facts.os;
  result.program_version = platform::ProgramVersion();
  compare::Summarise(&result);

  std::string failures = compare::FailureTexts(result);
  if (!failures.empty()) failures = "\n" + failures;
  platform::WriteText(true, compare::ResultTable(result) + "\n" + compare::Conclusions(result) + failures);
  bool file_failed = false;
  file_failed |= !WriteOutput(options.json_path, compare::ResultJson(result));
  file_failed |= !WriteOutput(options.markdown_path, compare::MarkdownTable(result));
  file_failed |= !WriteOutput(options.csv_path, compare::RoundsCsv(result));
  return FinalStatus(result, file_failed);
}

}  // namespace compare_app
