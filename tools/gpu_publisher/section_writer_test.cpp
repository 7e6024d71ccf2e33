#include "section_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "measure/gpu_info.h"
#include "measure/gpuz_layout.h"

namespace gpu_publisher {
namespace {

// Read back by Korbinet's own reader.
TEST(SectionWriter, UpdatesEveryFigureAndClearsThemAtTheEnd) {
  std::vector<unsigned char> section(measure::gpuz::kSectionSize);
  SectionWriter writer(section.data(), section.size());
  writer.WriteHeaderAndRecords({{"CUDA", "1"}, {"CUDA_Capability", "8.6"}});
  for (size_t i = 0; i < kSensorKinds; ++i) ASSERT_TRUE(writer.AddSensor(SensorName(static_cast<Sensor>(i)), 1.0));
  const auto header = [&](size_t offset) {
    uint32_t value;
    std::memcpy(&value, section.data() + offset, sizeof value);
    return value;
  };
  writer.BeginUpdate();
  EXPECT_EQ(header(4), 1u) << "busy while updating";
  for (size_t i = 0; i < kSensorKinds; ++i) writer.StoreValue(i, 10.0 * (i + 1) + 0.4);
  writer.EndUpdate(1234);
  EXPECT_EQ(std::vector<uint32_t>({header(0), header(4), header(8)}), std::vector<uint32_t>({1, 0, 1234}));

  const auto read = [&] {
    measure::GpuMonitor info(measure::GpuMonitor::NoProcessScan{});
    info.ReadCardInfoFrom(section.data(), section.size());
    info.ReadSensorsFrom(section.data(), section.size());
    return std::vector<uint32_t>({info.gpu_load, info.video_engine_load, info.memory_used, info.memory_dedicated,
                                  info.memory_dynamic, uint32_t(info.has_memory_used)});
  };
  EXPECT_EQ(read(), std::vector<uint32_t>({10, 20, 30, 40, 50, 1}));
  writer.ClearSensors();
  EXPECT_EQ(read(), std::vector<uint32_t>({0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace gpu_publisher
