#include "measure/gpu_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

namespace measure {

namespace {

// Written at literal offsets so a wrong layout constant in the reader shows.
struct Section {
  explicit Section(size_t size = 200204) : bytes(size, 0) {}
  void Text(size_t at, const std::u16string& text) {
    for (size_t i = 0; i < text.size() && at + 2 * i + 1 < bytes.size(); ++i) {
      bytes[at + 2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
      bytes[at + 2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
  }
  void Record(size_t i, const std::u16string& key, const std::u16string& value) {
    Text(12 + i * 1024, key);
    Text(12 + i * 1024 + 512, value);
  }
  void Sensor(size_t i, const std::u16string& name, double value) {
    Text(131084 + i * 540, name);
    if (131084 + (i + 1) * 540 <= bytes.size()) std::memcpy(&bytes[131084 + i * 540 + 532], &value, 8);
  }
  std::unique_ptr<GpuMonitor> Read() const {
    auto info = std::make_unique<GpuMonitor>(GpuMonitor::NoProcessScan{});
    info->ReadCardInfoFrom(bytes.data(), bytes.size());
    info->ReadSensorsFrom(bytes.data(), bytes.size());
    return info;
  }
  std::vector<unsigned char> bytes;
};

// Names match case-sensitively and whole; later entries replace earlier ones.
TEST(GpuInfoCard, EachRecordAndSensorFillsItsFigure) {
  Section s;
  const std::u16string records[][2] = {
      {u"CardName", u"NVIDIA GeForce GTX 1080"}, {u"GPUName", u"GP104"}, {u"MemSize", u"8192 MB"},
      {u"OpenCL_Version", u"OpenCL 3.0"}, {u"DriverVersion", u"31.0.15.3623"}, {u"CUDA", u"1"},
      {u"CUDA_Capability", u"8.6"}, {u"cardname", u"lower case key"}, {u"GPUName ", u"with a space"},
      {u"MemSize", u"  \t\r\n "},  // empty after trimming: ignored
      {u"DriverVersion", u"  32.0 \n"}};
  for (size_t i = 0; i < std::size(records); ++i) s.Record(i, records[i][0], records[i][1]);
  const std::pair<std::u16string, double> sensors[] = {
      {u"GPU Load", 10.0}, {u"GPU Load", 42.5}, {u"Video Engine Load", 42.49}, {u"Memory Used", 2047.5},
      {u"Memory Usage (Dedicated)", 1000.2}, {u"Memory Usage (Dynamic)", 12.0}, {u"gpu load", 99.0},
      {u"Memory Used ", 99.0}};
  for (size_t i = 0; i < std::size(sensors); ++i) s.Sensor(i, sensors[i].first, sensors[i].second);
  const auto info = s.Read();
  EXPECT_EQ(info->card_name + "|" + info->gpu_name + "|" + info->memory_size + "|" + info->opencl_version + "|" +
                info->driver_version, "NVIDIA GeForce GTX 1080|GP104|8192 MB|OpenCL 3.0|32.0");
  EXPECT_EQ(std::vector<int64_t>({info->gpu_load, info->video_engine_load, info->memory_used, info->memory_dedicated,
                                  info->memory_dynamic, info->has_memory_used + info->has_memory_dedicated +
                                  info->has_memory_dynamic}), std::vector<int64_t>({43, 42, 2048, 1000, 12, 3}));
}

TEST(GpuInfoCard, CudaAndCapabilityDecideTheVideoEngine) {
  struct Case { const char16_t* cuda; const char16_t* capability; bool available; };
  for (const Case& c : {Case{u"1", u"1.0", true}, {u"0", u"7.5", false}, {u"1", u"0.9", false},
                        {u"12 cores", u"2.1 (Fermi)", true}, {nullptr, u"7.5", false}, {u"1", nullptr, false}}) {
    Section s;
    if (c.cuda) s.Record(0, u"CUDA", c.cuda);
    if (c.capability) s.Record(1, u"CUDA_Capability", c.capability);
    s.Sensor(0, u"Video Engine Load", 37.0);
    const auto info = s.Read();
    EXPECT_EQ(std::make_pair(info->video_engine_available, int(info->video_engine_load)),
              std::make_pair(c.available, c.available ? 37 : 0));
  }
}

TEST(GpuInfoCard, VersionComesFromTheLastMatchingProcessName) {
  const struct { std::vector<std::string> names; const char* version; } cases[] = {
      {{"bash", "gpu-z 1.00.0", "GPU-Z 2.40.0", "sshd"}, ".40.0"},
      {{"GPU-Z monitor"}, "Unknown"},
      {{"GPU-Z 2.40.0", std::string(63, 'a') + "gpu-z"}, ".40.0"},  // match past 63 chars unseen
  };
  for (const auto& c : cases) {
    GpuzScan scan;
    for (const std::string& name : c.names) EXPECT_TRUE(FindGpuzWindow(name, &scan));
    GpuMonitor info(GpuMonitor::NoProcessScan{}, scan);
    info.ReadCardInfoFrom(nullptr, 0);
    EXPECT_EQ(info.gpuz_version, c.version) << c.names.back();
  }
  for (const char* text : {"", "nitor", "0.40a", "2 40"}) EXPECT_FALSE(GpuMonitor::IsVersionText(text));
}

TEST(GpuInfoSensors, RefreshesAtMostEvery300Ms) {
  Section first, second;
  first.Sensor(0, u"GPU Load", 10.0);
  second.Sensor(0, u"GPU Load", 20.0);
  second.Sensor(1, u"Memory Used", 5.0);
  GpuMonitor info(GpuMonitor::NoProcessScan{});
  const uint64_t base = 1ull << 40;  // far above the real tick other tests advance
  info.RefreshSensorsFrom(base, first.bytes.data(), first.bytes.size());
  info.RefreshSensorsFrom(base + 299, second.bytes.data(), second.bytes.size());
  EXPECT_EQ(info.gpu_load, 10);
  info.RefreshSensorsFrom(base + 300, second.bytes.data(), second.bytes.size());
  EXPECT_EQ(std::make_pair(int(info.gpu_load), info.memory_used), std::make_pair(20, 5u));
  // A figure no longer published drops to 0 but stays shown.
  info.RefreshSensorsFrom(base + 600, first.bytes.data(), first.bytes.size());
  EXPECT_EQ(std::make_pair(info.memory_used, info.has_memory_used), std::make_pair(0u, true));
}

TEST(GpuInfoSections, SmallSectionsAreReadOnlyWhereWhole) {
  struct Case { size_t size; bool last_record; int sensors; };
  for (const Case& c : {Case{0, false, 0}, {12 + 1023, false, 0}, {131083, false, 0}, {131084, true, 0},
                        {150000, true, 35}, {200203, true, 127}, {200204, true, 128}}) {
    Section s(c.size);
    s.Record(0, u"GPUName", u"first");
    s.Record(127, u"CardName", u"last");
    for (size_t i = 0; i < 128; ++i) s.Sensor(i, u"Memory Used", static_cast<double>(i + 1));
    const auto info = s.Read();
    EXPECT_EQ(std::make_tuple(info->gpu_name, info->card_name, info->memory_used),
              std::make_tuple(c.size >= 12 + 1024 ? "first" : "", c.last_record ? "last" : "", uint32_t(c.sensors)))
        << c.size;
  }
}

}  // namespace

}  // namespace measure
