#include "measure/gpuz_layout.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "text/text.h"

namespace measure {

namespace gpuz {

namespace {

const unsigned char* EntryAt(const unsigned char* data, size_t size, size_t table,
                             size_t count, size_t entry_size, size_t index) {
  if (data == nullptr || index >= count) return nullptr;
  const size_t start = table + index * entry_size;  // small constants: no overflow
  if (start > size || size - start < entry_size) return nullptr;
  return data + start;
}

size_t Utf8Length(char32_t c) {
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c < 0x10000) return 3;
  return 4;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

const unsigned char* RecordAt(const unsigned char* data, size_t size, size_t index) {
  return EntryAt(data, size, kRecordTableOffset, kRecordCount, kRecordSize, index);
}

const unsigned char* SensorAt(const unsigned char* data, size_t size, size_t index) {
  return EntryAt(data, size, kSensorTableOffset, kSensorCount, kSensorSize, index);
}

std::u16string ReadTextField(const unsigned char* field) {
  std::u16string text;
  for (size_t i = 0; i < kTextFieldUnits; ++i) {
    const char16_t unit = static_cast<char16_t>(field[2 * i] | (field[2 * i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

std::string Utf16ToUtf8(std::u16string_view text, size_t max_bytes) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) +
          (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = U' ';
    }
    // Stop at the first character that no longer fits, never in its middle.
    if (out.size() + Utf8Length(c) > max_bytes) break;
    text::AppendUtf8(c, &out);
  }
  return out;
}

double ReadUnalignedDouble(const unsigned char* p) {
  double value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

uint64_t RoundClamped(double value, uint64_t max) {
  const double rounded = std::trunc(value + 0.5);
  if (std::isnan(rounded) || rounded <= 0.0) return 0;
  // Compared as doubles so that the conversion below is always in range.
  if (rounded >= static_cast<double>(max)) return max;
  return static_cast<uint64_t>(rounded);
}

uint8_t LeadingInteger8(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulating modulo 256 gives the low 8 bits of any length of digits
  // without the overflow a plain int would hit.
  uint8_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = static_cast<uint8_t>(value * 10 + (text[i] - '0'));
  }
  return negative ? static_cast<uint8_t>(-value) : value;
}

double LeadingNumber(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace gpuz

}  // namespace measure
