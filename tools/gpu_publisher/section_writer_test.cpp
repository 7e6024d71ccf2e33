#include "section_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "measure/gpu_info.h"
#include "measure/gpuz_layout.h"

namespace gpu_publisher {
namespace {

uint32_t HeaderField(const std::vector<unsigned char>& section, size_t offset) {
  uint32_t value;
  std::memcpy(&value, section.data() + offset, sizeof value);
  return value;
}

// Korbinet's own reader must find every name the publisher writes.
TEST(SectionWriter, MonitorReadsRecordsAndEveryUpdatedSensor) {
  std::vector<unsigned char> section(gpuz::kSectionSize);
  SectionWriter writer(section.data(), section.size());
  writer.WriteHeaderAndRecords({{"CardName", "Card Ü"}, {"MemSize", "8192 MB"}, {"CUDA", "1"},
                                {"CUDA_Capability", "8.6"}});
  for (size_t i = 0; i < kSensorKinds; ++i) {
    ASSERT_TRUE(writer.AddSensor(SensorName(static_cast<Sensor>(i)), 1.0));
    // One store replaces a value whole only where it is aligned.
    EXPECT_EQ((gpuz::kSensorTableOffset + SectionWriter::SlotOf(i) * gpuz::kSensorSize + gpuz::kSensorValueOffset) % 8,
              0u);
  }
  writer.BeginUpdate();
  EXPECT_EQ(HeaderField(section, 4), 1u) << "busy while updating";
  for (size_t i = 0; i < kSensorKinds; ++i) writer.StoreValue(i, 10.0 * (i + 1) + 0.4);
  writer.EndUpdate(1234);
  EXPECT_EQ(HeaderField(section, 0), 1u);
  EXPECT_EQ(HeaderField(section, 4), 0u);
  EXPECT_EQ(HeaderField(section, 8), 1234u);

  CGPUInfo info(CGPUInfo::NoProcessScan{});
  info.ReadCardInfoFrom(section.data(), section.size());
  info.ReadSensorsFrom(section.data(), section.size());
  EXPECT_EQ(info.card_name + "|" + info.memory_size, "Card Ü|8192 MB");
  EXPECT_EQ(info.video_engine_available, 1);
  EXPECT_EQ(std::vector<uint32_t>({info.gpu_load, info.video_engine_load, info.memory_used, info.memory_dedicated,
                                   info.memory_dynamic}),
            std::vector<uint32_t>({10, 20, 30, 40, 50}));

  writer.ClearSensors();
  CGPUInfo after(CGPUInfo::NoProcessScan{});
  after.ReadCardInfoFrom(section.data(), section.size());
  after.ReadSensorsFrom(section.data(), section.size());
  EXPECT_EQ(after.gpu_load + after.has_memory_used + after.has_memory_dedicated + after.has_memory_dynamic, 0);
}

TEST(SectionWriter, LeavesOutWhatDoesNotFit) {
  // Room for one record and the first sensor slot, but not the second.
  std::vector<unsigned char> section(gpuz::kSensorTableOffset + 2 * gpuz::kSensorSize, 0xEE);
  std::vector<unsigned char> small(gpuz::kRecordTableOffset + gpuz::kRecordSize);
  SectionWriter(small.data(), small.size()).WriteHeaderAndRecords({{"GPUName", "a"}, {"CardName", "b"}});
  CGPUInfo info(CGPUInfo::NoProcessScan{});
  info.ReadCardInfoFrom(small.data(), small.size());
  EXPECT_EQ(info.gpu_name + "|" + info.card_name, "a|");

  SectionWriter writer(section.data(), section.size());
  EXPECT_TRUE(writer.AddSensor("GPU Load", 1));
  EXPECT_FALSE(writer.AddSensor("Memory Used", 2));
  writer.StoreValue(1, 3);  // never added: nothing is written
  EXPECT_EQ(writer.SensorCount(), 1u);
  EXPECT_EQ(section[gpuz::kSensorTableOffset + gpuz::kSensorSize], 0xEE);
}

}  // namespace
}  // namespace gpu_publisher
