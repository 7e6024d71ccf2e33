// korbinet-report: pages drawn from the CSV (and log) files Korbinet writes,
// one run alone or several side by side, or from a korbinet-compare result.
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/files.h"
#include "report/compare_file.h"
#include "report/compare_page.h"
#include "report/input_file.h"
#include "report/report_options.h"
#include "report/report_page.h"
#include "report/run_figures.h"
#include "report/run_files.h"
#include "report/text_table.h"

namespace {

constexpr int kBadInput = 1;
constexpr int kUsageError = 2;

void PrintError(const std::string& message) {
  platform::WriteText(false, "korbinet-report: " + message + "\n");
}

// Writes the page and prints its figures' table with where the page went.
int WriteReport(const std::string& output, const std::string& page,
                const std::vector<std::vector<std::string>>& cells) {
  if (std::string reason; !platform::WriteFileReplacing(output, page, &reason)) {
    PrintError(output + ": cannot be written: " + reason);
    return kBadInput;
  }
  report::PrintTable(cells);
  platform::WriteText(true, "\nReport: " + output + "\n");
  return 0;
}

// The page of a korbinet-compare result, its figures on standard output.
int ComparisonResultPage(const report::InputFile& file, const report::ReportOptions& options) {
  using namespace report;
  CompareFile result;
  std::string error;
  if (!ParseCompareFile(file, &result, &error)) {
    PrintError(error);
    return kBadInput;
  }
  const std::string output = options.output.empty() ? DefaultOutputPath(options) : options.output;
  std::string full_input, full_output;
  if (platform::FullPathName(output, &full_output, nullptr) &&
      platform::FullPathName(file.path, &full_input, nullptr) && full_input == full_output) {
    PrintError(output + ": is the result file; the report must go elsewhere");
    return kUsageError;
  }
  return WriteReport(output, ComparePage(result), CompareCells(result));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace report;
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  // In the one form all of the project's programs answer it.
  if (!args.empty() && args[0] == "--version") {
    platform::WriteText(true, platform::ProgramVersionLine("korbinet-report"));
    return 0;
  }
  ReportOptions options;
  std::string error;
  if (!ParseReportOptions(args, &options, &error)) {
    PrintError(error);
    platform::WriteText(false, kUsage);
    return kUsageError;
  }
  if (options.help) {
    platform::WriteText(true, kUsage);
    return 0;
  }

  std::vector<Run> runs(options.csv_paths.size());
  std::vector<RunFigures> figures;
  for (size_t i = 0; i < runs.size(); ++i) {
    std::string warning;
    InputFile file;
    if (!ReadInputFile(options.csv_paths[i], &file, &error)) {
      PrintError(error);
      return kBadInput;
    }
    // Told apart by content: a CSV or log of ours never starts with '{'.
    if (LooksLikeJson(file.content)) {
      if (runs.size() > 1 || !options.labels.empty() || options.baseline_given) {
        PrintError(file.path + ": a korbinet-compare result is drawn alone, without other files, "
                   "--label or --baseline");
        platform::WriteText(false, kUsage);
        return kUsageError;
      }
      return ComparisonResultPage(file, options);
    }
    if (!LoadRun(file, &runs[i], &error, &warning)) {
      PrintError(error);
      return kBadInput;
    }
    if (!warning.empty()) PrintError(warning);
    if (i < options.labels.size()) runs[i].label = options.labels[i];
    figures.push_back(FiguresOf(runs[i]));
  }

  const std::string output = options.output.empty() ? DefaultOutputPath(options) : options.output;
  // -o naming one of the inputs would replace a run's only record with a page.
  std::string full_output;
  if (!platform::FullPathName(output, &full_output, nullptr)) full_output = output;
  for (const Run& run : runs) {
    for (const std::string& input : {run.csv_path, run.log_path, run.graph_path}) {
      std::string full_input;
      if (input.empty() || !platform::FullPathName(input, &full_input, nullptr)) continue;
      if (full_input == full_output) {
        PrintError(output + ": is one of the runs' files; the report must go elsewhere");
        return kUsageError;
      }
    }
  }
  const std::string page = runs.size() == 1 ? RunPage(runs[0], figures[0])
                                            : ComparisonPage(runs, figures, options.baseline);
  std::vector<std::string> labels;
  for (const Run& run : runs) labels.push_back(run.label);
  return WriteReport(output, page, ComparisonCells(labels, figures, options.baseline));
}
