// The performance-counter clock and the millisecond tick, as plain functions:
// a clock holds no state beyond what each caller keeps.
#pragma once

#include <cstdint>

namespace measure {

// Wrap-adjusted millisecond tick. Each user keeps its own instance, since the
// adjustment depends on the previous reading of that user.
class TickMs {
 public:
  uint64_t operator()();
  // The core rule, for a given raw 32-bit reading.
  uint64_t Next(uint32_t raw);
  // The reading in seconds.
  double Seconds() { return static_cast<double>((*this)()) / 1000.0; }

 private:
  uint64_t previous_raw_ = 0;
};

// The performance counter in seconds; 0 without one.
double CounterSeconds();

// The counter exists and a 500 ms sleep measures as about that long.
bool CounterTrusted();

// The trust rule of CounterTrusted for a measured 500 ms sleep.
bool SleepMeasurementTrusted(double seconds);

}  // namespace measure
