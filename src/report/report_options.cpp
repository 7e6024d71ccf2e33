#include "report/report_options.h"

#include <charconv>

#include "report/run_files.h"

namespace report {

bool ParseReportOptions(const std::vector<std::string>& args, ReportOptions* options,
                        std::string* error) {
  *options = ReportOptions{};
  std::string baseline_text;
  bool baseline_given = false;
  bool only_paths = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_paths || arg.empty() || arg[0] != '-' || arg == "-") {
      options->csv_paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_paths = true;
    } else if (arg == "-h" || arg == "--help") {
      options->help = true;
      return true;
    } else if (arg == "-o" || arg == "--label" || arg == "--baseline") {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      if (arg == "-o") {
        if (!options->output.empty()) {
          *error = "-o given twice";
          return false;
        }
        if (value.empty()) {
          *error = "-o needs a file name";
          return false;
        }
        options->output = value;
      } else if (arg == "--label") {
        options->labels.push_back(value);
      } else {
        baseline_text = value;
        baseline_given = true;
      }
    } else {
      *error = "unknown option " + arg;
      return false;
    }
  }
  const size_t runs = options->csv_paths.size();
  if (runs == 0) {
    *error = "no CSV file given";
    return false;
  }
  if (runs > kMaxRuns) {
    *error = "more than " + std::to_string(kMaxRuns) + " CSV files";
    return false;
  }
  if (options->labels.size() > runs) {
    *error = "more labels than CSV files";
    return false;
  }
  if (baseline_given) {
    size_t n = 0;
    auto [end, ec] =
        std::from_chars(baseline_text.data(), baseline_text.data() + baseline_text.size(), n);
    if (ec != std::errc() || end != baseline_text.data() + baseline_text.size() || n < 1 ||
        n > runs) {
      *error = "--baseline must be a run number from 1 to " + std::to_string(runs);
      return false;
    }
    options->baseline = n - 1;
    options->baseline_given = true;
  }
  return true;
}

std::string DefaultOutputPath(const ReportOptions& options) {
  const std::string& first = options.csv_paths.front();
  if (options.csv_paths.size() == 1) return WithExtension(first, ".html");
  return WithExtension(first, "-comparison.html");
}

}  // namespace report
