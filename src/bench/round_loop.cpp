#include "bench/round_loop.h"

#include "measure/timer.h"
#include "platform/process.h"

namespace bench {

double SystemRoundProbes::Seconds() { return measure::CounterSeconds(); }

double SystemRoundProbes::CpuSeconds() {
  platform::ProcessTimes times;
  if (!platform::ReadProcessTimes(&times, nullptr)) return 0;
  return static_cast<double>(times.kernel + times.user) / 1e7;
}

uint64_t SystemRoundProbes::MemoryBytes() {
  platform::MemoryCounters counters;
  if (!platform::ReadMemoryUse(&counters, nullptr)) return 0;
  return counters.working_set;
}

int SystemRoundProbes::Threads() { return platform::CountOwnThreads(); }

}  // namespace bench
