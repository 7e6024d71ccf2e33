// Byte layout of GPU-Z's shared section and the text rules for reading it.
// Everything here works on a plain byte buffer and never reads past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace measure {

namespace gpuz {

constexpr size_t kRecordTableOffset = 12;
constexpr size_t kRecordCount = 128;
constexpr size_t kRecordSize = 1024;
constexpr size_t kRecordValueOffset = 512;
constexpr size_t kSensorTableOffset = kRecordTableOffset + kRecordCount * kRecordSize;
constexpr size_t kSensorCount = 128;
constexpr size_t kSensorSize = 540;
constexpr size_t kSensorValueOffset = 532;
constexpr size_t kSectionSize = kSensorTableOffset + kSensorCount * kSensorSize;
// Every text field (key, value, sensor name) is 512 bytes of UTF-16LE.
constexpr size_t kTextFieldUnits = 256;
// The 8-bit form of a value had a 260-byte buffer, terminator included.
constexpr size_t kMaxUtf8Bytes = 259;

// Start of record or sensor index inside a section of size bytes, or nullptr
// when it does not lie wholly inside.
const unsigned char* RecordAt(const unsigned char* data, size_t size, size_t index);
const unsigned char* SensorAt(const unsigned char* data, size_t size, size_t index);

// The UTF-16LE text of a field: up to its NUL, or the whole field when it
// has none.
std::u16string ReadTextField(const unsigned char* field);

// UTF-16 to UTF-8; an unpaired surrogate becomes a space. The result is cut
// at a character boundary to at most max_bytes.
std::string Utf16ToUtf8(std::u16string_view text, size_t max_bytes);

// The double stored at p, which need not be aligned.
double ReadUnalignedDouble(const unsigned char* p);

// floor(value + 0.5) taken toward zero, clamped to [0, max] (NaN gives 0), so
// that odd readings never become undefined conversions.
uint64_t RoundClamped(double value, uint64_t max);

// Leading decimal integer of text, kept in 8 bits (no digits: 0).
uint8_t LeadingInteger8(const std::string& text);
// Leading decimal number of text (none: 0.0).
double LeadingNumber(const std::string& text);

}  // namespace gpuz

}  // namespace measure
