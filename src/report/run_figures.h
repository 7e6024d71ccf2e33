// The figures that compare runs, one set per run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/run_files.h"

namespace report {

struct RunFigures {
  uint64_t frames = 0;
  double average_fps = 0;
  double minimum_fps = 0;
  double maximum_fps = 0;
  uint32_t cpu_average = 0;  // percent, rounded
  double efficiency = -1;    // average fps per CPU percent; -1 without CPU time
  uint32_t peak_physical = 0;  // MB
  uint32_t peak_virtual = 0;   // MB
  uint32_t threads = 0;        // of the last record
};

// From the records; the frame count from the log's summary when there is one
// (it counts the frames after the last record too).
RunFigures FiguresOf(const Run& run);

// run's average fps over the baseline's; negative when the baseline has none.
double RatioToBaseline(const RunFigures& run, const RunFigures& baseline);

// The comparison as rows of cells, the first row the column titles; the same
// cells make the page's table and the text on standard output.
std::vector<std::vector<std::string>> ComparisonCells(const std::vector<std::string>& labels,
                                                      const std::vector<RunFigures>& figures,
                                                      size_t baseline);

}  // namespace report
