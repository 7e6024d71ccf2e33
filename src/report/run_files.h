// One run as the report sees it: its CSV, the log beside it when there is
// one, and what names it.
#pragma once

#include <string>

#include "report/csv_reader.h"
#include "report/log_reader.h"

namespace report {

struct Run {
  std::string csv_path;
  std::string log_path;  // empty when no log lies beside the CSV
  RunCsv csv;
  RunLog log;
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
// when either is unreadable or not one of Korbinet's.
bool LoadRun(const std::string& path, Run* run, std::string* error);

}  // namespace report
