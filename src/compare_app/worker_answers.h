// The worker's answers read into figures: pure, so that a damaged or foreign
// line is caught here and never reaches the statistics.
#pragma once

#include <string>
#include <vector>

#include "compare/compare_result.h"
#include "compare/statistics.h"

namespace compare_app {

// What `load` answers when the script is ready.
struct ReadyAnswer {
  int64_t first = 0, last = 0;
  uint64_t interval = 0;
  std::string version_string, file_version;
};

// Each takes the fields of one line (split and unescaped) and is false when
// they are not the answer it reads: wrong name, count or number.
bool ReadReady(const std::vector<std::string>& fields, ReadyAnswer* ready);
// Fills frames, wall and processor seconds, peak memory and threads.
bool ReadRound(const std::vector<std::string>& fields, compare::Round* round);
bool ReadStage(const std::vector<std::string>& fields, compare::StageFigures* stage);

// A line the controller did not expect, shown as it came (cut when long), for
// the variant's error text.
std::string UnexpectedAnswer(const std::vector<std::string>& fields);

}  // namespace compare_app
