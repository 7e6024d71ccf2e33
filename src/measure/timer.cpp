#include "measure/timer.h"

#include <cstdio>

#include "platform/clock.h"

CTimer g_timer;

uint64_t TickMs::Next(uint32_t raw) {
  uint64_t wide = raw;
  // Only the reading right after a wrap gets the 2^32; the one after it
  // compares against this raw value again.
  uint64_t result = wide < previous_raw_ ? wide + (uint64_t{1} << 32) : wide;
  previous_raw_ = wide;
  return result;
}

uint64_t TickMs::operator()() { return Next(platform::TickCount32()); }

double CTimer::GetSeconds() {
  int64_t frequency = 0;
  int64_t count = 0;
  bool ok = platform::CounterFrequency(&frequency) && platform::ReadCounter(&count);
  if (!ok || frequency <= 0) return 0.0;
  return static_cast<double>(count) / static_cast<double>(frequency);
}

bool CTimer::SleepMeasurementTrusted(double seconds) { return seconds > 0.4 && seconds < 0.6; }

int CTimer::CheckPerformanceCounter() {
  int64_t value = 0;
  if (!platform::CounterFrequency(&value) || !platform::ReadCounter(&value)) {
    return 0;
  }
  double t0 = GetSeconds();
  platform::SleepMs(500);
  double t1 = GetSeconds();
  return SleepMeasurementTrusted(t1 - t0) ? 1 : 0;
}

double CTimer::GetTickSeconds() {
  static TickMs tick;
  return static_cast<double>(tick()) / 1000.0;
}

std::string CTimer::FormatDuration(int64_t ms, int keep_leading_spaces) const {
  // A negative duration has no clock form; show it as nothing elapsed.
  if (ms < 0) ms = 0;
  long long hours = ms / 3600000;
  int minutes = static_cast<int>((ms / 60000) % 60);
  int seconds = static_cast<int>((ms / 1000) % 60);
  int millis = static_cast<int>(ms % 1000);
  char buffer[512];
  if (hours < 100) {
    std::snprintf(buffer, sizeof buffer, "   %02lld:%02d:%02d.%03d", hours, minutes, seconds,
                  millis);
  } else {
    std::snprintf(buffer, sizeof buffer, "%5lld:%02d:%02d.%03d", hours, minutes, seconds, millis);
  }
  std::string text = buffer;
  if (keep_leading_spaces == 0) text.erase(0, text.find_first_not_of(' '));
  return text;
}
