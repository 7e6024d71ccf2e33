// The report tool's command line.
#pragma once

#include <string>
#include <vector>

namespace report {

inline constexpr char kUsage[] =
    "usage: korbinet-report RUN.csv [RUN.csv ...] [-o REPORT.html] [--label NAME]... "
    "[--baseline N]\n"
    "       korbinet-report RESULT.json [-o REPORT.html]\n"
    "  RESULT.json      a result file of korbinet-compare, drawn on a page of its own\n"
    "  -o REPORT.html   the page to write (default: beside the first file, named after it)\n"
    "  --label NAME     names the runs in order (default: script and folder)\n"
    "  --baseline N     the run the others are measured against (default: 1)\n";

// A page comparing more runs than this would be unreadable.
inline constexpr size_t kMaxRuns = 32;

struct ReportOptions {
  std::vector<std::string> csv_paths;  // or the one korbinet-compare result
  std::vector<std::string> labels;
  std::string output;   // empty: the default beside the first CSV
  size_t baseline = 0;  // index into csv_paths
  bool baseline_given = false;
  bool help = false;
};

// False with *error (a one-line reason) when the arguments do not make a
// report; the caller adds the usage text.
bool ParseReportOptions(const std::vector<std::string>& args, ReportOptions* options,
                        std::string* error);

// Where the page goes when -o is not given: one run's CSV with ".html"; for
// several, the first CSV's name with "-comparison.html".
std::string DefaultOutputPath(const ReportOptions& options);

}  // namespace report
