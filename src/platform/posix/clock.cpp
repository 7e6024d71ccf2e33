#include "platform/clock.h"

#include <sched.h>
#include <time.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {
int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
}  // namespace

bool QueryPerformanceCounter(int64_t* count) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  *count = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  return true;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
  *frequency = 1000000000;
  return true;
}

uint32_t TickCount32() {
  // Truncation is intended: callers must cope with the wrap as on Windows.
  return static_cast<uint32_t>(static_cast<uint64_t>(MonotonicNanoseconds() / 1000000));
}

void SleepMs(uint32_t ms) {
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

AffinityMask PinThreadToFirstProcessor() {
  AffinityMask previous;
  static_assert(sizeof(previous.bits) >= sizeof(cpu_set_t));
  cpu_set_t current;
  CPU_ZERO(&current);
  if (sched_getaffinity(0, sizeof current, &current) == 0) {
    std::memcpy(previous.bits.data(), &current, sizeof current);
    previous.valid = true;
  }
  cpu_set_t first;
  CPU_ZERO(&first);
  CPU_SET(0, &first);
  // CPU 0 may be outside the allowed set; the run then goes on unpinned.
  sched_setaffinity(0, sizeof first, &first);
  return previous;
}

void RestoreThreadAffinity(const AffinityMask& previous) {
  if (!previous.valid) return;
  cpu_set_t mask;
  std::memcpy(&mask, previous.bits.data(), sizeof mask);
  sched_setaffinity(0, sizeof mask, &mask);
}

}  // namespace platform
