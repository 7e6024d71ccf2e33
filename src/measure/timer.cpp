#include "measure/timer.h"

#include "platform/clock.h"

namespace measure {

uint64_t TickMs::Next(uint32_t raw) {
  uint64_t wide = raw;
  // Only the reading right after a wrap gets the 2^32; the one after it
  // compares against this raw value again.
  uint64_t result = wide < previous_raw_ ? wide + (uint64_t{1} << 32) : wide;
  previous_raw_ = wide;
  return result;
}

uint64_t TickMs::operator()() { return Next(platform::TickCount32()); }

double CounterSeconds() {
  int64_t frequency = 0;
  int64_t count = 0;
  bool ok = platform::CounterFrequency(&frequency) && platform::ReadCounter(&count);
  if (!ok || frequency <= 0) return 0.0;
  return static_cast<double>(count) / static_cast<double>(frequency);
}

bool SleepMeasurementTrusted(double seconds) { return seconds > 0.4 && seconds < 0.6; }

bool CounterTrusted() {
  int64_t value = 0;
  if (!platform::CounterFrequency(&value) || !platform::ReadCounter(&value)) return false;
  double t0 = CounterSeconds();
  platform::SleepMs(500);
  double t1 = CounterSeconds();
  return SleepMeasurementTrusted(t1 - t0);
}

}  // namespace measure
