#include "section_writer.h"

#include <atomic>
#include <cstring>

#include "measure/gpuz_layout.h"

namespace gpu_publisher {

namespace {

constexpr size_t kVersionOffset = 0;
constexpr size_t kBusyOffset = 4;
constexpr size_t kLastUpdateOffset = 8;
constexpr size_t kHeaderSize = 12;

// UTF-8 to UTF-16; bytes that do not form a character become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3
                  : lead >= 0xC2 ? 2 : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F
                                                                              : lead & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
                  (length == 4 && (c < 0x10000 || c > 0x10FFFF)))) {
      valid = false;
    }
    if (!valid) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

// Writes text NUL-terminated into a 512-byte field, shortened (never inside
// a surrogate pair) so that the terminator always fits.
void WriteTextField(unsigned char* field, const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  size_t units = text.size();
  if (units > measure::gpuz::kTextFieldUnits - 1) {
    units = measure::gpuz::kTextFieldUnits - 1;
    if (text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) --units;
  }
  for (size_t i = 0; i < measure::gpuz::kTextFieldUnits; ++i) {
    const char16_t unit = i < units ? text[i] : 0;
    field[2 * i] = static_cast<unsigned char>(unit & 0xFF);
    field[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
  }
}

template <typename T>
void StoreWhole(unsigned char* p, T value) {
  if (reinterpret_cast<uintptr_t>(p) % alignof(T) != 0) {  // not from a mapping: nobody reads concurrently
    std::memcpy(p, &value, sizeof value);
    return;
  }
  std::atomic_ref<T>(*reinterpret_cast<T*>(p)).store(value, std::memory_order_release);
}

}  // namespace

void SectionWriter::WriteHeaderAndRecords(const std::vector<Record>& records) {
  if (size_ >= kHeaderSize) {
    StoreWhole<uint32_t>(data_ + kVersionOffset, 1);
    StoreWhole<uint32_t>(data_ + kBusyOffset, 0);
  }
  for (size_t i = 0; i < records.size() && i < measure::gpuz::kRecordCount; ++i) {
    unsigned char* record = const_cast<unsigned char*>(measure::gpuz::RecordAt(data_, size_, i));
    if (record == nullptr) break;
    WriteTextField(record, records[i].key);
    WriteTextField(record + measure::gpuz::kRecordValueOffset, records[i].value);
  }
}

unsigned char* SectionWriter::SensorStart(size_t index) const {
  return const_cast<unsigned char*>(measure::gpuz::SensorAt(data_, size_, SlotOf(index)));
}

bool SectionWriter::AddSensor(const std::string& name, double value) {
  unsigned char* sensor = SensorStart(sensors_);
  if (sensor == nullptr) return false;
  StoreWhole(sensor + measure::gpuz::kSensorValueOffset, value);
  WriteTextField(sensor, name);
  ++sensors_;
  return true;
}

void SectionWriter::StoreValue(size_t index, double value) {
  if (index >= sensors_) return;
  StoreWhole(SensorStart(index) + measure::gpuz::kSensorValueOffset, value);
}

void SectionWriter::BeginUpdate() {
  if (size_ >= kHeaderSize) StoreWhole<uint32_t>(data_ + kBusyOffset, 1);
}

void SectionWriter::EndUpdate(uint32_t tick_ms) {
  if (size_ < kHeaderSize) return;
  StoreWhole<uint32_t>(data_ + kLastUpdateOffset, tick_ms);
  StoreWhole<uint32_t>(data_ + kBusyOffset, 0);
}

void SectionWriter::ClearSensors() {
  // An empty first unit makes the whole name empty to a reader at once.
  for (size_t i = 0; i < sensors_; ++i) StoreWhole<char16_t>(SensorStart(i), 0);
}

}  // namespace gpu_publisher
