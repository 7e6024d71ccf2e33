// The own process: lock, priority and the figures of its resource use. A
// failure's reason goes to *error (see platform/error.h; null when not
// wanted).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class LockResult { kAcquired, kAlreadyHeld, kFailed };
// Takes a lock named name for the life of the process; the kernel releases it
// when the process ends, crash included.
LockResult TakeNamedLock(const std::string& name, std::string* error);

enum class Priority { kIdle, kNormal, kHigh };
void SetProcessPriority(Priority priority);

// Times in 100 ns units.
struct SystemTimes {
  uint64_t idle = 0;
  uint64_t kernel = 0;  // idle included, as on Windows
  uint64_t user = 0;
};
bool ReadSystemTimes(SystemTimes* times, std::string* error);

struct ProcessTimes {
  uint64_t kernel = 0;
  uint64_t user = 0;
};
bool ReadProcessTimes(ProcessTimes* times, std::string* error);

struct MemoryCounters {
  uint64_t working_set = 0;    // resident bytes
  uint64_t pagefile_usage = 0;  // private committed bytes
};
bool ReadMemoryUse(MemoryCounters* counters, std::string* error);

// Threads of the own process; 0 when they cannot be counted.
int CountOwnThreads();

// Titles of the top-level windows on Windows; elsewhere the names of the
// running processes (each at most 15 characters), which stand in for them.
std::vector<std::string> RunningProcessNames();

// Makes the own process findable by RunningProcessNames under name: the main
// thread's name (15 characters kept), or on Windows a top-level window
// titled so, kept while the process lives.
void SetOwnProcessName(const std::string& name);

}  // namespace platform
