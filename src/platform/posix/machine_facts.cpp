#include "platform/machine_facts.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace platform {

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// The first "model name" of /proc/cpuinfo: every core of a desktop machine
// has the same. Some architectures have none; then it stays unknown.
std::string ProcessorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    const size_t colon = line.find(':');
    if (colon != std::string::npos && Trimmed(line.substr(0, colon)) == "model name")
      return Trimmed(line.substr(colon + 1));
  }
  return {};
}

}  // namespace

MachineFacts ReadMachineFacts() {
  MachineFacts facts;
  facts.processor = ProcessorName();
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  facts.cores = online > 0 ? static_cast<int>(online) : 0;
  utsname name{};
  if (uname(&name) == 0) facts.os = std::string(name.sysname) + " " + name.release;
  return facts;
}

double LoadAverage1() {
  double load = 0;
  return getloadavg(&load, 1) == 1 ? load : std::nan("");
}

}  // namespace platform
