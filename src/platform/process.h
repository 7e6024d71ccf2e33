// The own process: lock, priority and the figures of its resource use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class LockResult { kAcquired, kAlreadyHeld, kFailed };
// Takes a lock named name for the life of the process; the kernel releases it
// when the process ends, crash included.
LockResult TakeNamedLock(const std::string& name);

enum class Priority { kIdle, kNormal, kHigh };
void SetProcessPriority(Priority priority);

// Times in 100 ns units.
struct SystemTimes {
  uint64_t idle = 0;
  uint64_t kernel = 0;  // idle included, as on Windows
  uint64_t user = 0;
};
bool ReadSystemTimes(SystemTimes* times);

struct ProcessTimes {
  uint64_t kernel = 0;
  uint64_t user = 0;
};
bool ReadProcessTimes(ProcessTimes* times);

struct MemoryCounters {
  uint64_t working_set = 0;    // resident bytes
  uint64_t pagefile_usage = 0;  // private committed bytes
};
bool ReadMemoryUse(MemoryCounters* counters);

// Threads of the own process; 0 when they cannot be counted.
int CountOwnThreads();

// Names of the running processes (each at most 15 characters); they stand in
// for the titles of top-level windows.
std::vector<std::string> RunningProcessNames();

// Sets the own process's (main thread's) name, at most 15 characters kept.
void SetOwnProcessName(const std::string& name);

}  // namespace platform
