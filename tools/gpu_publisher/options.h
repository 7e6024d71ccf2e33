// The publisher's command line.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "measure/gpuz_layout.h"

namespace gpu_publisher {

enum class SourceKind { kFixed, kNvidia, kAmdgpu, kAuto };

struct Options {
  std::string title = "GPU-Z 2.40.0";
  size_t size = measure::gpuz::kSectionSize;
  // The fixed form: figures given on the command line.
  std::vector<std::pair<std::string, std::string>> records;
  std::vector<std::pair<std::string, double>> sensors;
  int seconds = -1;  // until a signal
  // The live form.
  SourceKind source = SourceKind::kFixed;
  unsigned interval_ms = 250;
  std::string nvml = "libnvidia-ml.so.1";
  std::string sysfs_root = "/sys";
  std::string pci_ids;  // empty: the system's list
};

// False on any argument it does not take; the caller prints Usage().
bool ParseOptions(const std::vector<std::string>& args, Options* options);
const char* Usage();

}  // namespace gpu_publisher
