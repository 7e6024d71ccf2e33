#include "compare/compare_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <string_view>

namespace compare {
namespace {

bool ParseWhole(std::string_view text, int64_t min, int64_t max, int64_t* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && !text.empty() && *value >= min && *value <= max;
}

// A decimal number in (low, high), or [low, high) when low is allowed.
bool ParseDecimal(std::string_view text, double low, bool low_allowed, double high, double* value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value, std::chars_format::fixed);
  return ec == std::errc() && ptr == end && !text.empty() && std::isfinite(*value) &&
         (*value > low || (low_allowed && *value == low)) && *value < high;
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    items.emplace_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}

bool IsVariableName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

std::string Bad(const std::string& option, std::string_view value, const std::string& what) {
  return option + ": \"" + std::string(value) + "\" is not " + what;
}

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// Applies one option with its value.
bool Apply(const std::string& name, const std::string& value, CompareOptions* o,
           std::string* error) {
  constexpr int64_t kIntMax = std::numeric_limits<int>::max();
  constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
  if (name == "--prefetch" || name == "--memory-max") {
    for (const std::string& item : SplitList(value)) {
      int64_t n = 0;
      if (!ParseWhole(item, 1, name == "--prefetch" ? kIntMax : kInt64Max / (1 << 20), &n)) {
        *error = Bad(name, item, "a whole number of at least 1");
        return false;
      }
      if (name == "--prefetch") {
        o->sweeps.prefetch.push_back(static_cast<int>(n));
      } else {
        o->sweeps.memory_max_mb.push_back(n);
      }
    }
  } else if (name == "--maxcpu") {
    o->sweeps.max_cpu = SplitList(value);
  } else if (name == "--library") {
    o->sweeps.libraries = SplitList(value);
    for (const std::string& item : o->sweeps.libraries) {
      if (item.empty()) {
        *error = Bad(name, value, "a list of file names");
        return false;
      }
    }
  } else if (name == "--var") {
    const size_t equals = value.find('=');
    const std::string var = value.substr(0, equals);
    if (equals == std::string::npos || !IsVariableName(var)) {
      *error = Bad(name, value, "NAME=VALUE,... with a script variable name");
      return false;
    }
    for (const auto& sweep : o->sweeps.vars) {
      if (sweep.first == var) {
        *error = name + ": \"" + var + "\" given twice";
        return false;
      }
    }
    o->sweeps.vars.emplace_back(var, SplitList(std::string_view(value).substr(equals + 1)));
  } else if (name == "--label") {
    o->labels.push_back(value);
  } else if (name == "--round" || name == "--time") {
    if (!ParseDecimal(value, 0, false, kUnbounded,
                      name == "--round" ? &o->round_seconds : &o->time_seconds)) {
      *error = Bad(name, value, "a number of seconds above 0");
      return false;
    }
  } else if (name == "--warmup" || name == "--rounds") {
    if (!ParseWhole(value, name == "--warmup" ? 0 : 1, kIntMax,
                    name == "--warmup" ? &o->warmup : &o->rounds)) {
      *error = Bad(name, value, name == "--warmup" ? "a whole number" : "a whole number of at least 1");
      return false;
    }
  } else if (name == "--order") {
    if (!ParseFrameOrder(value, &o->order)) {
      *error = Bad(name, value, "forward, reverse or random");
      return false;
    }
  } else if (name == "--margin") {
    if (!ParseDecimal(value, 0, true, 100, &o->margin_percent)) {
      *error = Bad(name, value, "a percentage from 0 to below 100");
      return false;
    }
  } else if (name == "--fail-if-slower") {
    if (!ParseDecimal(value, 0, false, 100, &o->fail_if_slower_percent)) {
      *error = Bad(name, value, "a percentage above 0 and below 100");
      return false;
    }
  } else if (name == "--seed") {
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(value.data(), end, o->seed);
    if (ec != std::errc() || ptr != end || value.empty()) {
      *error = Bad(name, value, "a whole number from 0 to 18446744073709551615");
      return false;
    }
  } else {  // --json, --markdown, --csv
    if (value.empty()) {
      *error = Bad(name, value, "a file name");
      return false;
    }
    (name == "--json" ? o->json_path : name == "--markdown" ? o->markdown_path : o->csv_path) = value;
  }
  return true;
}

}  // namespace

bool ParseCompareOptions(const std::vector<std::string>& args, CompareOptions* options,
                         std::string* error) {
  *options = CompareOptions{};
  static constexpr std::string_view kValued[] = {
      "--prefetch", "--maxcpu", "--memory-max", "--library", "--var", "--label",
      "--round", "--warmup", "--rounds", "--time", "--order", "--baseline",
      "--margin", "--seed", "--json", "--markdown", "--csv", "--fail-if-slower"};
  // Options that may be given more than once.
  static constexpr std::string_view kRepeatable[] = {"--var", "--label"};
  const auto listed = [](const auto& names, const std::string& name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
  };
  std::set<std::string> given;
  std::string baseline_text;
  bool only_scripts = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_scripts || arg.size() < 2 || arg[0] != '-') {
      options->sweeps.scripts.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_scripts = true;
      continue;
    }
    const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    if (name == "-h" || name == "--help" || name == "--version") {
      if (equals != std::string::npos) {
        *error = name + " takes no value";
        return false;
      }
      (name == "--version" ? options->version : options->help) = true;
      return true;
    }
    if (!listed(kValued, name)) {
      *error = "unknown option " + name;
      return false;
    }
    if (!given.insert(name).second && !listed(kRepeatable, name)) {
      *error = name + " given twice";
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      *error = name + " needs a value";
      return false;
    }
    if (name == "--baseline") {
      baseline_text = value;
    } else if (!Apply(name, value, options, error)) {
      return false;
    }
  }
  if (!ExpandVariants(options->sweeps, options->labels, &options->variants, error)) return false;
  if (given.count("--baseline")) {
    const size_t count = options->variants.size();
    int64_t k = 0;
    if (!ParseWhole(baseline_text, 1, static_cast<int64_t>(count), &k)) {
      *error = Bad("--baseline", baseline_text,
                   "a variant number from 1 to " + std::to_string(count));
      return false;
    }
    options->baseline = static_cast<size_t>(k - 1);
  }
  return true;
}

}  // namespace compare
