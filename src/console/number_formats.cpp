#include <cmath>
#include <cstdio>

#include "console/console_utils.h"

namespace {

std::string Printf(const char* format, double value) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The whole-number row: x + 0.5 truncated and shown as unsigned 32-bit.
// Values that do not fit (or are not numbers) still print readably.
std::string RoundedWhole(double x) {
  double rounded = std::floor(x + 0.5);
  if (!(rounded >= 0.0 && rounded < 4294967296.0)) return Printf("%.0f", rounded);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(rounded));
  return buffer;
}

}  // namespace

std::string CUtils::FormatFps(double fps) {
  if (fps < 9.999) return Printf("%.3f", fps);
  if (fps < 99.99) return Printf("%.2f", fps);
  if (fps < 999.9) return Printf("%.1f", fps);
  return RoundedWhole(fps);
}

std::string CUtils::FormatTpf(double ms) {
  if (ms < 1) return Printf("%.4f", ms);
  if (ms < 10) return Printf("%.3f", ms);
  if (ms < 100) return Printf("%.2f", ms);
  if (ms < 1000) return Printf("%.1f", ms);
  return RoundedWhole(ms);
}
