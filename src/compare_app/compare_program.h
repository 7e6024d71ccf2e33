// korbinet-compare without its worker side: options, the run, the texts and
// files, and the exit status.
#pragma once

#include <string>
#include <vector>

#include "compare/compare_result.h"

namespace platform {
class Keyboard;
}  // namespace platform

namespace compare_app {

inline constexpr int kStatusDone = 0;
inline constexpr int kStatusVariantFailed = 1;  // also: a file could not be written
inline constexpr int kStatusUsage = 2;          // also: a library refused an option
inline constexpr int kStatusGate = 3;

struct ProgramConfig {
  std::string worker_program;  // empty: this program itself
  double answer_limit_seconds = 600;
};

// args without the program's name. The keyboard is the process's one, made
// by main; Esc on it stops the measuring.
int RunCompare(const std::vector<std::string>& args, platform::Keyboard& keyboard,
               const ProgramConfig& config = {});

// The status a finished run ends with. A failed variant wins over the gate:
// with a variant missing the comparison is incomplete, and that must show
// first; both fail a CI job alike.
int FinalStatus(const compare::CompareResult& result, bool file_failed);

}  // namespace compare_app
