// The variants a comparison measures: every script with every combination
// of the swept settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace compare {

// A worker process each, so more would only thrash the machine.
inline constexpr size_t kMaxVariants = 64;

// The swept settings as given; an empty list is not swept.
struct Sweeps {
  std::vector<std::string> scripts;
  std::vector<std::string> libraries;
  std::vector<std::string> max_cpu;  // "" is the library's default
  std::vector<int64_t> memory_max_mb;
  std::vector<int> prefetch;
  // One sweep per variable name, in the order given.
  std::vector<std::pair<std::string, std::vector<std::string>>> vars;
};

struct Variant {
  std::string script;
  std::string library;                     // empty: the usual one
  std::optional<std::string> max_cpu;      // unset: SetMaxCPU is not called
  std::optional<int64_t> memory_max_mb;    // unset: SetMemoryMax is not called
  std::optional<int> prefetch;             // unset: the clip is not wrapped
  std::vector<std::pair<std::string, std::string>> vars;
  std::string label;
};

// Nested loops, the first varying slowest: script, library, maxcpu,
// memory-max, prefetch, then each --var in the order given; values in the
// order given. Variant 1 is the first value of everything.
//
// A label names the script when there are several (its file name, or the
// path as given when two file names are alike) and `name=value` for each
// swept setting with more than one value; `maxcpu=default` for the empty
// value. Labels that still collide (one script given twice) get " #N", the
// variant's number. `labels`, when not empty, replaces them in order and
// must have one per variant.
bool ExpandVariants(const Sweeps& sweeps, const std::vector<std::string>& labels,
                    std::vector<Variant>* variants, std::string* error);

// The last path component, after '/' or '\'.
std::string FileName(const std::string& path);

}  // namespace compare
