// The GPU monitor's reading of GPU-Z's shared section over arbitrary bytes.
// Each input is read twice: as a section of exactly its own size (a short
// mapping), and spread over a section of full size, its first half over the
// record table and its second half over the sensor table, so that small
// inputs still reach the sensors.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "measure/gpu_info.h"
#include "measure/gpuz_layout.h"

namespace {

void ReadSection(const std::vector<unsigned char>& section) {
  measure::GpuMonitor info{measure::GpuMonitor::NoProcessScan{}};
  info.ReadCardInfoFrom(section.data(), section.size());
  info.ReadSensorsFrom(section.data(), section.size());
  // UTF-8 of at most the 260-byte buffer, terminator excluded.
  for (const std::string* text : {&info.card_name, &info.gpu_name, &info.memory_size,
                                  &info.opencl_version, &info.driver_version}) {
    if (text->size() > measure::gpuz::kMaxUtf8Bytes) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadSection(std::vector<unsigned char>(data, data + size));

  std::vector<unsigned char> full(measure::gpuz::kSectionSize, 0);
  const size_t half = size / 2;
  const size_t records = std::min(half, measure::gpuz::kSensorTableOffset - measure::gpuz::kRecordTableOffset);
  const size_t sensors = std::min(size - half, measure::gpuz::kSectionSize - measure::gpuz::kSensorTableOffset);
  if (records > 0) std::memcpy(full.data() + measure::gpuz::kRecordTableOffset, data, records);
  if (sensors > 0) std::memcpy(full.data() + measure::gpuz::kSensorTableOffset, data + half, sensors);
  ReadSection(full);

  // The text rules on their own, over the input taken as UTF-16 and as text.
  std::u16string units(size / 2, u'\0');
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
  for (size_t limit : {size_t{0}, size_t{1}, size_t{3}, measure::gpuz::kMaxUtf8Bytes}) {
    if (measure::gpuz::Utf16ToUtf8(units, limit).size() > limit) __builtin_trap();
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  measure::gpuz::LeadingInteger8(text);
  measure::gpuz::LeadingNumber(text);
  if (size >= 8) measure::gpuz::RoundClamped(measure::gpuz::ReadUnalignedDouble(data), UINT32_MAX);
  return 0;
}
