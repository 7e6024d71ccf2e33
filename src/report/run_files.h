// One run as the report sees it: its CSV, the log beside it when there is
// one, and what names it.
#pragma once

#include <string>

#include "report/csv_reader.h"
#include "report/filter_graph.h"
#include "report/log_reader.h"

namespace report {

struct Run {
  std::string csv_path;
  std::string log_path;  // empty when no log lies beside the CSV
  RunCsv csv;
  RunLog log;
  std::string graph_path;  // the library's filter graph beside the log, if any
  FilterGraph graph;
  std::string label;
  std::string date;  // the CSV's last write, "YYYY-MM-DD hh:mm:ss" local time
};

// path with its extension (the text after the last dot of the file name)
// replaced by extension, or extension appended when it has none.
std::string WithExtension(const std::string& path, const std::string& extension);

// The script's file name (from the log, else the CSV's with ".avs") and, in
// brackets, the CSV's folder: "quick.avs (examples)".
std::string DefaultLabel(const Run& run);

// Reads path and the log of the same name beside it. False with *error set
// when either is unreadable or not one of Korbinet's. A log from another run
// than the CSV's (say a later run with -log alone) is left out, with the
// reason in *warning.
bool LoadRun(const std::string& path, Run* run, std::string* error, std::string* warning);
// The same for a CSV already read.
bool LoadRun(const InputFile& csv, Run* run, std::string* error, std::string* warning);

// Empty when log and csv come from one run (the log's table has the CSV's
// records), else why not.
std::string RunMismatch(const RunLog& log, const RunCsv& csv);

}  // namespace report
