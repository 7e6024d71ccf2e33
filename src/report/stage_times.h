// The log's "[Stage times]" table read back: per marked stage its calls and
// its self and inclusive milliseconds per frame, and the share of the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

struct StageRow {
  std::string name;  // the script's text, any bytes
  uint64_t calls = 0;
  double self_ms = 0;  // per frame
  double incl_ms = 0;  // per frame
  double share = 0;    // percent; above 100 when summed over threads
};

struct StageTimes {
  std::vector<StageRow> rows;  // in the log's order, which is the script's
  bool summed_over_threads = false;
  size_t unreadable_rows = 0;  // rows that did not parse and were left out
};

// The section's lines after its title. Rows are read from the right (share,
// inclusive, self, calls), since the name before them may hold spaces and
// anything else; a row that does not parse is counted, not guessed at.
StageTimes ParseStageTimes(const std::vector<std::string>& lines);

}  // namespace report
