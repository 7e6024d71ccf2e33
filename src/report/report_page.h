// The report as one self-contained page: no script, font or file from
// elsewhere, markup that also parses as XML.
#pragma once

#include <string>
#include <vector>

#include "report/run_figures.h"
#include "report/run_files.h"

namespace report {

// The pages' shared frame: the head with its style and the title as <h1>,
// and the end.
std::string PageStart(const std::string& title);
inline constexpr char kPageEnd[] = "</body>\n</html>\n";

// A table of figures from rows of cells (the first the titles), every cell
// escaped, the second column the label; the baseline's row (an index into
// the rows after the titles) is bold when there are several.
std::string FiguresTable(const std::vector<std::vector<std::string>>& cells, size_t baseline);

// The page of one run: header, summary, charts, graphics card, script.
std::string RunPage(const Run& run, const RunFigures& figures);

// The page comparing runs: the table, one chart per series with a line per
// run, then each run's header, summary and script.
std::string ComparisonPage(const std::vector<Run>& runs, const std::vector<RunFigures>& figures,
                           size_t baseline);

}  // namespace report
