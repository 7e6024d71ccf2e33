#include "report/run_files.h"

#include <cstdio>

#include "platform/files.h"

namespace report {

namespace {

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string WithExtension(const std::string& path, const std::string& extension) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
      dot == (slash == std::string::npos ? 0 : slash + 1)) {
    return path + extension;
  }
  return path.substr(0, dot) + extension;
}

std::string DefaultLabel(const Run& run) {
  std::string script = FileName(LineValue(run.log.general, "Script file:"));
  if (script.empty()) script = FileName(WithExtension(run.csv_path, ".avs"));
  std::string full;
  if (!platform::FullPathName(run.csv_path, &full, nullptr)) full = run.csv_path;
  const size_t slash = full.find_last_of("/\\");
  if (slash == std::string::npos || slash == 0) return script;
  const std::string folder = FileName(full.substr(0, slash));
  return folder.empty() ? script : script + " (" + folder + ")";
}

std::string RunMismatch(const RunLog& log, const RunCsv& csv) {
  const std::string last = csv.records.empty() ? "" : std::to_string(csv.records.back().frame);
  if (log.table_rows == csv.records.size() && log.last_row_frame == last) return std::string();
  std::string what = "its performance table has " + std::to_string(log.table_rows) + " rows";
  if (log.table_rows > 0) what += " up to frame " + log.last_row_frame;
  return what + ", the CSV " + std::to_string(csv.records.size()) + " records up to frame " +
         last;
}

bool LoadRun(const std::string& path, Run* run, std::string* error, std::string* warning) {
  InputFile file;
  return ReadInputFile(path, &file, error) && LoadRun(file, run, error, warning);
}

bool LoadRun(const InputFile& file, Run* run, std::string* error, std::string* warning) {
  warning->clear();
  *run = Run{};
  const std::string& path = file.path;
  run->csv_path = path;
  if (!ParseRunCsv(file, &run->csv, error)) return false;
  const std::string log_path = WithExtension(path, ".log");
  if (log_path != path && platform::FileExists(log_path)) {
    InputFile log;
    if (!ReadInputFile(log_path, &log, error) || !ParseRunLog(log, &run->log, error)) {
      return false;
    }
    const std::string mismatch = RunMismatch(run->log, run->csv);
    if (mismatch.empty()) {
      run->log_path = log_path;
      // Written with the log only, so read only beside the run's own log.
      const std::string graph_path = WithExtension(path, ".graph.dot");
      run->graph = ReadFilterGraph(graph_path);
      if (run->graph.found) run->graph_path = graph_path;
    } else {
      *warning = log_path + ": left out, not from the run of " + path + ": " + mismatch;
      run->log = RunLog{};
    }
  }
  platform::LocalTime time{};
  if (platform::FileModificationTime(path, &time, nullptr)) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    run->date = text;
  }
  run->label = DefaultLabel(*run);
  return true;
}

}  // namespace report
