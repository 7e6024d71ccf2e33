// korbinet-report's readers over arbitrary bytes, as a CSV, as the log and
// as the filter graph beside it, and the page drawn from whatever they accept.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/csv_reader.h"
#include "report/filter_graph.h"
#include "report/html_text.h"
#include "report/log_reader.h"
#include "report/report_page.h"
#include "report/run_figures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  report::Run run;
  run.csv_path = "run.csv";
  std::string error;
  if (report::ParseRunCsv(report::InputFile{"run.csv", bytes}, &run.csv, &error)) {
    if (run.csv.records.empty()) __builtin_trap();
    for (size_t i = 1; i < run.csv.records.size(); ++i) {
      if (run.csv.records[i].frame <= run.csv.records[i - 1].frame) __builtin_trap();
    }
  } else if (error.compare(0, 7, "run.csv") != 0) {
    __builtin_trap();  // every message names the file
  } else {
    run.csv.records.assign(1, report::CsvRecord{});
  }
  if (report::ParseRunLog(report::InputFile{"run.log", bytes}, &run.log, &error)) {
    run.log_path = "run.log";
  }
  run.graph.found = true;
  if (report::ParseFilterGraph(bytes, &run.graph.nodes, &run.graph.note) != run.graph.note.empty())
    __builtin_trap();  // a note exactly when the graph is refused
  run.label = bytes;
  const std::string page = report::RunPage(run, report::FiguresOf(run));
  if (page.find("</html>\n") != page.size() - 8) __builtin_trap();

  // Escaped text holds no markup of its own.
  for (char c : report::EscapeHtml(bytes)) {
    if (c == '<' || c == '>' || c == '"' || c == '\'') __builtin_trap();
  }
  return 0;
}
