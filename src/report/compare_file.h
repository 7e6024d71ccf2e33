// A korbinet-compare result file (docs/compare-json.md) as the report reads
// it: every figure checked for its type and range, fields this report does
// not know left aside, fields that may be null allowed to be missing too.
// Numbers the file gives as null are NaN here; counts from 1 as in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/input_file.h"

namespace report {

// The newest schema this report draws; a newer file needs a newer report.
inline constexpr int64_t kCompareSchema = 1;
// korbinet-compare measures at most 64; a file with far more is no result.
inline constexpr size_t kMaxCompareVariants = 256;

struct CompareMachine {
  std::string processor, os;  // empty when not known
  int64_t cores = 0;          // 0 when not known
  double load_average_start = 0, load_average_end = 0;
};

struct CompareSettings {
  double round_seconds = 0;
  int64_t warmup_blocks = 0;
  int64_t max_blocks = 0;  // 0: not given
  double max_seconds = 0;
  std::string order;
  size_t baseline = 1;
  double margin_percent = 0;
  double confidence = 0;
  uint64_t seed = 0;
  double fail_if_slower_percent = 0;  // NaN: not given
};

struct CompareStats {
  int64_t rounds = 0;
  double median_fps = 0, mad_fps = 0, mean_fps = 0, sd_fps = 0, cpu_ms_per_frame = 0;
  std::vector<int64_t> outlier_blocks;
  uint64_t peak_memory_bytes = 0;
  int64_t threads = 0;
};

struct CompareAgainstBaseline {
  int64_t pairs = 0;
  double ratio = 0, low = 0, high = 0;
  std::string verdict;  // faster, slower, same or undecided
};

// A stage the script marked, summed over the variant's rounds, warm-up included.
struct CompareStage {
  std::string name;
  int64_t calls = 0;
  double self_seconds = 0, inclusive_seconds = 0;
};

struct CompareVariant {
  std::string label, script;
  // Absent where the file has null.
  std::optional<std::string> library, library_version, library_file_version, maxcpu, error;
  std::optional<int64_t> prefetch, memory_max_mb;
  std::vector<std::pair<std::string, std::string>> vars;
  CompareStats stats;
  std::optional<CompareAgainstBaseline> comparison;
  std::vector<CompareStage> stages;  // none when the file has none
};

struct CompareRound {
  size_t variant = 0, block = 0, position = 0;
  bool warmup = false, outlier = false;
  uint64_t frames = 0;
  double wall_seconds = 0, cpu_seconds = 0, fps = 0;
  uint64_t peak_memory_bytes = 0;
  int64_t threads = 0;
};

struct CompareFile {
  std::string path;
  std::string program_version;
  CompareMachine machine;
  CompareSettings settings;
  std::vector<CompareVariant> variants;
  std::vector<CompareRound> rounds;
};

// Whether the content is a JSON object rather than one of the program's CSV
// or log files: its first byte past white space (and a byte order mark) is
// '{'. No CSV or log of ours starts so.
bool LooksLikeJson(std::string_view content);

// False with *error as "<path>, line <n>: <where>: <what>", where names the
// field ("variants[2].statistics.median_fps").
bool ParseCompareFile(const InputFile& file, CompareFile* result, std::string* error);

}  // namespace report
