// The head of Korbinet's log read back: its report sections and the script.
// The performance table is not read; the CSV holds the same rows and more.
#pragma once

#include <string>
#include <vector>

#include "report/input_file.h"

namespace report {

struct RunLog {
  std::vector<std::string> general;   // "[General info]" lines
  std::vector<std::string> clip;      // "[Clip info]" lines
  std::vector<std::string> runtime;   // "[Runtime info]" lines, the summary
  std::vector<std::string> graphics;  // "[Graphics card info]" lines
  std::string script;                 // the script text as quoted
  std::string avisynth_error;         // "[AviSynth error]" text, if any
  std::vector<std::string> stages;    // "[Stage times]" lines, if any
  // The performance table: its rows and the frame number of the last one,
  // enough to tell whether the log and a CSV come from the same run.
  size_t table_rows = 0;
  std::string last_row_frame;
};

// Value of the first "Label:   value" line of lines whose label is label
// (given with its colon); empty when there is none.
std::string LineValue(const std::vector<std::string>& lines, const std::string& label);

// False with *error naming the file and the line when the text is not a
// Korbinet log.
bool ParseRunLog(const InputFile& file, RunLog* log, std::string* error);

}  // namespace report
