// The report as one self-contained page: no script, font or file from
// elsewhere, markup that also parses as XML.
#pragma once

#include <string>
#include <vector>

#include "report/run_figures.h"
#include "report/run_files.h"

namespace report {

// The page of one run: header, summary, charts, graphics card, script.
std::string RunPage(const Run& run, const RunFigures& figures);

// The page comparing runs: the table, one chart per series with a line per
// run, then each run's header, summary and script.
std::string ComparisonPage(const std::vector<Run>& runs, const std::vector<RunFigures>& figures,
                           size_t baseline);

}  // namespace report
