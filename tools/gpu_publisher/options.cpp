#include "options.h"

#include <cerrno>
#include <cstdlib>

#include "measure/gpuz_layout.h"

namespace gpu_publisher {

namespace {

// A bound on --size that keeps a typing slip from asking for gigabytes.
constexpr unsigned long long kMaxSectionSize = 64ull << 20;
constexpr unsigned long long kMinIntervalMs = 10;
constexpr unsigned long long kMaxIntervalMs = 60000;
// Live sensors take every other slot; fixed ones follow the same rule.
constexpr size_t kMaxSensors = measure::gpuz::kSensorCount / 2;

bool ParseUnsigned(const std::string& text, unsigned long long max, unsigned long long* out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || value > max) return false;
  *out = value;
  return true;
}

bool SplitPair(const std::string& text, std::string* name, std::string* value) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  *name = text.substr(0, equals);
  *value = text.substr(equals + 1);
  return true;
}

bool ParseSource(const std::string& text, SourceKind* kind) {
  if (text == "nvidia") *kind = SourceKind::kNvidia;
  else if (text == "amdgpu") *kind = SourceKind::kAmdgpu;
  else if (text == "auto") *kind = SourceKind::kAuto;
  else return false;
  return true;
}

}  // namespace

const char* Usage() {
  return "usage: gpu-publisher [--title TEXT] [--size BYTES] [--record KEY=VALUE]...\n"
         "                     [--sensor NAME=VALUE]... [--seconds N]\n"
         "       gpu-publisher --source[=nvidia|amdgpu|auto] [--interval MS] [--nvml PATH]\n"
         "                     [--sysfs-root DIR] [--pci-ids FILE] [--title TEXT]\n"
         "                     [--size BYTES] [--seconds N]\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options* options) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string flag = args[i];
    std::string arg;
    bool has_arg = false;
    // "--flag=value" and "--flag value" are the same, except for --source,
    // whose value is optional and so must be joined to it.
    if (const size_t equals = flag.find('='); flag.starts_with("--") && equals != std::string::npos) {
      arg = flag.substr(equals + 1);
      flag.resize(equals);
      has_arg = true;
    }
    if (flag == "--source") {
      if (!has_arg) arg = "auto";
      if (!ParseSource(arg, &options->source)) return false;
      continue;
    }
    if (!has_arg) {
      if (i + 1 >= args.size()) return false;
      arg = args[++i];
    }
    std::string name, value;
    unsigned long long number = 0;
    if (flag == "--title") {
      options->title = arg;
    } else if (flag == "--size") {
      if (!ParseUnsigned(arg, kMaxSectionSize, &number)) return false;
      options->size = static_cast<size_t>(number);
    } else if (flag == "--seconds") {
      if (!ParseUnsigned(arg, 1000000, &number)) return false;
      options->seconds = static_cast<int>(number);
    } else if (flag == "--interval") {
      if (!ParseUnsigned(arg, kMaxIntervalMs, &number) || number < kMinIntervalMs) return false;
      options->interval_ms = static_cast<unsigned>(number);
    } else if (flag == "--nvml") {
      if (arg.empty()) return false;
      options->nvml = arg;
    } else if (flag == "--sysfs-root") {
      if (arg.empty()) return false;
      options->sysfs_root = arg;
    } else if (flag == "--pci-ids") {
      if (arg.empty()) return false;
      options->pci_ids = arg;
    } else if (flag == "--record") {
      if (!SplitPair(arg, &name, &value)) return false;
      if (options->records.size() == measure::gpuz::kRecordCount) return false;
      options->records.emplace_back(name, value);
    } else if (flag == "--sensor") {
      if (!SplitPair(arg, &name, &value) || value.empty()) return false;
      char* end = nullptr;
      const double reading = std::strtod(value.c_str(), &end);
      if (*end != '\0') return false;
      if (options->sensors.size() == kMaxSensors) return false;
      options->sensors.emplace_back(name, reading);
    } else {
      return false;
    }
  }
  // Live figures and fixed ones in one section would contradict each other.
  return options->source == SourceKind::kFixed ||
         (options->records.empty() && options->sensors.empty());
}

}  // namespace gpu_publisher
