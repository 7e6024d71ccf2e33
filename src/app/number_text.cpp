#include "app/number_text.h"

#include <limits>

namespace {

template <typename T>
T ParseSaturating(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate toward the sign's own limit so that the most negative value
  // is reachable without overflow.
  const T limit = negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
  T value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    T digit = static_cast<T>(text[i] - '0');
    if (negative) {
      if (value < (limit + digit) / 10) return limit;
      value = static_cast<T>(value * 10 - digit);
    } else {
      if (value > (limit - digit) / 10) return limit;
      value = static_cast<T>(value * 10 + digit);
    }
  }
  return value;
}

}  // namespace

int64_t ParseInt64Saturating(const std::string& text) { return ParseSaturating<int64_t>(text); }

int32_t ParseInt32Saturating(const std::string& text) { return ParseSaturating<int32_t>(text); }

bool RangeValueShapeOk(const std::string& value) {
  if (value.size() < 3) return false;
  size_t comma = value.find(',');
  return comma != std::string::npos && comma >= 1 && comma <= 27;
}
