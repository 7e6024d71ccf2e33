// What a comparison records about the machine it ran on.
#pragma once

#include <string>

namespace platform {

struct MachineFacts {
  std::string processor;  // model name; empty when unknown
  int cores = 0;          // logical processors; 0 when unknown
  std::string os;         // e.g. "Linux 6.1.0-18-amd64" / "Windows 10.0.19045"; empty when unknown
};
MachineFacts ReadMachineFacts();

// The 1-minute load average; NaN where the system keeps none (Windows).
double LoadAverage1();

}  // namespace platform
