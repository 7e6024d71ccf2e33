// The performance-counter clock, the millisecond tick and durations.
#pragma once

#include <cstdint>
#include <string>

// Wrap-adjusted millisecond tick. Each user keeps its own instance, since the
// adjustment depends on the previous reading of that user.
class TickMs {
 public:
  uint64_t operator()();
  // The core rule, for a given raw 32-bit reading.
  uint64_t Next(uint32_t raw);

 private:
  uint64_t previous_raw_ = 0;
};

class CTimer {
 public:
  virtual ~CTimer() = default;

  double GetSeconds();
  int CheckPerformanceCounter();
  double GetTickSeconds();
  std::string FormatDuration(int64_t ms, int keep_leading_spaces) const;

  // The trust rule of CheckPerformanceCounter for a measured 500 ms sleep.
  static bool SleepMeasurementTrusted(double seconds);
};

extern CTimer g_timer;
