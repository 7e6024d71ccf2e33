#include "text/number_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace text {

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

template <typename T>
T ParseSaturating(const std::string& value) {
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // Accumulate toward the sign's own limit so that the most negative value
  // is reachable without overflow.
  const T limit = negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
  T result = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    T digit = static_cast<T>(value[i] - '0');
    if (negative) {
      if (result < (limit + digit) / 10) return limit;
      result = static_cast<T>(result * 10 - digit);
    } else {
      if (result > (limit - digit) / 10) return limit;
      result = static_cast<T>(result * 10 + digit);
    }
  }
  return result;
}

}  // namespace

std::string FormatFps(double fps) {
  if (fps < 9.999) return Printf("%.3f", fps);
  if (fps < 99.99) return Printf("%.2f", fps);
  if (fps < 999.9) return Printf("%.1f", fps);
  return RoundedWhole(fps);
}

std::string FormatTpf(double ms) {
  if (ms < 1) return Printf("%.4f", ms);
  if (ms < 10) return Printf("%.3f", ms);
  if (ms < 100) return Printf("%.2f", ms);
  if (ms < 1000) return Printf("%.1f", ms);
  return RoundedWhole(ms);
}

std::string FormatDuration(int64_t ms, bool keep_leading_spaces) {
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
  std::string result = buffer;
  if (!keep_leading_spaces) result.erase(0, result.find_first_not_of(' '));
  return result;
}

int64_t ParseInt64Saturating(const std::string& value) { return ParseSaturating<int64_t>(value); }

int32_t ParseInt32Saturating(const std::string& value) { return ParseSaturating<int32_t>(value); }

int CompareFpsDecimals(double fps) { return fps >= 100 ? 1 : fps >= 10 ? 2 : 3; }

int RatioDecimals(double low, double high) { return high - low < 0.05 ? 3 : 2; }

std::string WholeMegabytes(uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20); }

}  // namespace text
