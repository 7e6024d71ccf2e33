#include "measure/gpu_info.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A section image built at explicit offsets, independent of the reader's own
// layout constants.
struct Section {
  explicit Section(size_t size = 200204) : bytes(size, 0) {}

  void Text(size_t offset, const std::u16string& text, bool terminate = true) {
    std::u16string units = terminate ? text + u'\0' : text;
    for (size_t i = 0; i < units.size() && offset + 2 * i + 1 < bytes.size(); ++i) {
      bytes[offset + 2 * i] = static_cast<unsigned char>(units[i] & 0xFF);
      bytes[offset + 2 * i + 1] = static_cast<unsigned char>(units[i] >> 8);
    }
  }
  void Record(size_t index, const std::u16string& key, const std::u16string& value) {
    Text(12 + index * 1024, key);
    Text(12 + index * 1024 + 512, value);
  }
  void Sensor(size_t index, const std::u16string& name, double value) {
    const size_t at = 131084 + index * 540;
    Text(at, name);
    if (at + 540 <= bytes.size()) std::memcpy(&bytes[at + 532], &value, sizeof value);
  }
  void ReadInto(CGPUInfo& info) const {
    info.ReadCardInfoFrom(bytes.data(), bytes.size());
    info.ReadSensorsFrom(bytes.data(), bytes.size());
  }

  std::vector<unsigned char> bytes;
};

CGPUInfo Unscanned() { return CGPUInfo(CGPUInfo::NoProcessScan{}); }

TEST(GpuInfoCard, EachRecordKeyFillsItsMember) {
  Section s;
  s.Record(0, u"CardName", u"NVIDIA GeForce GTX 1080");
  s.Record(1, u"GPUName", u"GP104");
  s.Record(2, u"MemSize", u"8192 MB");
  s.Record(3, u"OpenCL_Version", u"OpenCL 3.0");
  s.Record(4, u"DriverVersion", u"31.0.15.3623");
  s.Record(5, u"cardname", u"lower case key");
  s.Record(6, u"GPUName ", u"key with a space");
  s.Record(7, u"MemSize", u"  \t\r\n ");  // empty after trimming: ignored
  s.Record(8, u"DriverVersion", u"  32.0 \n");
  CGPUInfo info = Unscanned();
  s.ReadInto(info);
  EXPECT_EQ(info.card_name, "NVIDIA GeForce GTX 1080");
  EXPECT_EQ(info.gpu_name, "GP104");
  EXPECT_EQ(info.memory_size, "8192 MB");
  EXPECT_EQ(info.opencl_version, "OpenCL 3.0");
  EXPECT_EQ(info.driver_version, "32.0");  // later record replaces, trimmed
}

TEST(GpuInfoCard, CudaAndCapabilityDecideTheVideoEngine) {
  struct Case { const char16_t* cuda; const char16_t* capability; int available; };
  const Case cases[] = {
      {u"1", u"1.0", 1},  {u"0", u"7.5", 0},      {u"1", u"0.9", 0},   {u"256", u"7.5", 0},
      {u"12 cores", u"2.1 (Fermi)", 1}, {nullptr, u"7.5", 0}, {u"1", nullptr, 0},
      {u"yes", u"7.5", 0}, {u"1", u"", 0},
  };
  for (const Case& c : cases) {
    Section s;
    if (c.cuda) s.Record(0, u"CUDA", c.cuda);
    if (c.capability) s.Record(1, u"CUDA_Capability", c.capability);
    s.Sensor(0, u"Video Engine Load", 37.0);
    CGPUInfo info = Unscanned();
    s.ReadInto(info);
    EXPECT_EQ(info.video_engine_available, c.available);
    EXPECT_EQ(info.video_engine_load, c.available ? 37 : 0);
  }
}

TEST(GpuInfoCard, VersionComesFromTheScannedProcessName) {
  struct Case { std::vector<std::string> names; const char* version; };
  const Case cases[] = {
      {{"GPU-Z 2.40.0"}, ".40.0"},
      {{"bash", "gpu-z 1.00.0", "GPU-Z 2.40.0", "sshd"}, ".40.0"},  // last match wins
      {{"GPU-Z monitor"}, "Unknown"},
      {{"GPU-Z"}, "Unknown"},
      {{"GPU-Z 2.40.0", std::string(63, 'a') + "gpu-z"}, ".40.0"},  // beyond 63 chars
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.names) EXPECT_TRUE(FindGpuzWindow(name));
    CGPUInfo info = Unscanned();
    info.ReadCardInfoFrom(nullptr, 0);
    EXPECT_EQ(info.gpuz_version, c.version) << c.names.back();
  }
}

TEST(GpuInfoCard, IsVersionText) {
  EXPECT_TRUE(CGPUInfo::IsVersionText(".40.0"));
  EXPECT_TRUE(CGPUInfo::IsVersionText("2"));
  EXPECT_FALSE(CGPUInfo::IsVersionText(""));
  EXPECT_FALSE(CGPUInfo::IsVersionText("nitor"));
  EXPECT_FALSE(CGPUInfo::IsVersionText("0.40a"));
  EXPECT_FALSE(CGPUInfo::IsVersionText("2 40"));
}

TEST(GpuInfoCard, TextsWithoutNulAndNonLatinText) {
  Section s;
  // Key filled to its end without NUL: "CardName" plus padding is not "CardName".
  s.Text(12, u"CardName" + std::u16string(248, u'x'), false);
  s.Text(12 + 512, u"wrong");
  // Value without NUL, followed directly by the next record's key.
  s.Text(12 + 1024, u"GPUName");
  s.Text(12 + 1024 + 512, std::u16string(256, u'v'), false);
  s.Record(2, u"CUDA", u"1");
  s.Record(3, u"MemSize", u"Память \U0001F600 " + std::u16string(1, char16_t(0xD800)) + u"x");
  s.Record(4, u"DriverVersion", std::u16string(255, u'é'));
  CGPUInfo info = Unscanned();
  s.ReadInto(info);
  EXPECT_EQ(info.card_name, "");
  EXPECT_EQ(info.gpu_name, std::string(256, 'v'));
  EXPECT_EQ(info.memory_size, "Память \xF0\x9F\x98\x80  x");
  EXPECT_EQ(info.driver_version.size(), 258u);  // 129 characters of 2 bytes
}

TEST(GpuInfoSensors, EachSensorAndItsRounding) {
  Section s;
  s.Record(0, u"CUDA", u"1");
  s.Record(1, u"CUDA_Capability", u"8.6");
  s.Sensor(0, u"GPU Load", 42.5);
  s.Sensor(1, u"Video Engine Load", 42.49);
  s.Sensor(2, u"Memory Used", 2047.5);
  s.Sensor(3, u"Memory Usage (Dedicated)", 1000.2);
  s.Sensor(4, u"Memory Usage (Dynamic)", 12.0);
  s.Sensor(5, u"gpu load", 99.0);
  s.Sensor(6, u"Memory Used ", 99.0);
  CGPUInfo info = Unscanned();
  s.ReadInto(info);
  EXPECT_EQ(info.gpu_load, 43);
  EXPECT_EQ(info.video_engine_load, 42);
  EXPECT_EQ(info.memory_used, 2048u);
  EXPECT_EQ(info.memory_dedicated, 1000u);
  EXPECT_EQ(info.memory_dynamic, 12u);
  EXPECT_EQ(info.has_memory_used, 1);
  EXPECT_EQ(info.has_memory_dedicated, 1);
  EXPECT_EQ(info.has_memory_dynamic, 1);
}

TEST(GpuInfoSensors, LaterMatchesReplaceAndOddValuesClamp) {
  Section s;
  s.Sensor(0, u"GPU Load", 10.0);
  s.Sensor(1, u"GPU Load", -3.0);
  s.Sensor(2, u"Memory Used", 1e30);
  CGPUInfo info = Unscanned();
  s.ReadInto(info);
  EXPECT_EQ(info.gpu_load, 0);
  EXPECT_EQ(info.memory_used, 4294967295u);
  EXPECT_EQ(info.has_memory_dynamic, 0);  // not published
}

TEST(GpuInfoSensors, RefreshesAtMostEvery300Ms) {
  Section first, second;
  first.Sensor(0, u"GPU Load", 10.0);
  second.Sensor(0, u"GPU Load", 20.0);
  second.Sensor(1, u"Memory Used", 5.0);
  CGPUInfo info = Unscanned();
  // Far above any real tick, so real refreshes elsewhere never interfere.
  const uint64_t base = 1ull << 40;
  info.RefreshSensorsFrom(base, first.bytes.data(), first.bytes.size());
  EXPECT_EQ(info.gpu_load, 10);
  info.RefreshSensorsFrom(base + 299, second.bytes.data(), second.bytes.size());
  EXPECT_EQ(info.gpu_load, 10);
  EXPECT_EQ(info.has_memory_used, 0);
  info.RefreshSensorsFrom(base + 300, second.bytes.data(), second.bytes.size());
  EXPECT_EQ(info.gpu_load, 20);
  EXPECT_EQ(info.memory_used, 5u);
  // Figures not published any more drop to 0; the has-flag stays.
  info.RefreshSensorsFrom(base + 600, first.bytes.data(), first.bytes.size());
  EXPECT_EQ(info.memory_used, 0u);
  EXPECT_EQ(info.has_memory_used, 1);
  // Reading the card facts again forgets what was seen.
  info.ReadCardInfoFrom(first.bytes.data(), first.bytes.size());
  EXPECT_EQ(info.has_memory_used, 0);
}

TEST(GpuInfoSections, SmallSectionsAreReadOnlyWhereWhole) {
  struct Case { size_t size; bool last_record; int sensors; };
  const Case cases[] = {
      {0, false, 0}, {12, false, 0}, {131083, false, 0}, {131084, true, 0},
      {150000, true, 35}, {200203, true, 127}, {200204, true, 128},
  };
  for (const Case& c : cases) {
    Section s(c.size);
    s.Record(0, u"GPUName", u"first");
    s.Record(127, u"CardName", u"last");
    for (size_t i = 0; i < 128; ++i) s.Sensor(i, u"Memory Used", static_cast<double>(i + 1));
    CGPUInfo info = Unscanned();
    s.ReadInto(info);
    EXPECT_EQ(info.gpu_name, c.size >= 12 + 1024 ? "first" : "") << c.size;
    EXPECT_EQ(info.card_name, c.last_record ? "last" : "") << c.size;
    EXPECT_EQ(info.memory_used, static_cast<uint32_t>(c.sensors)) << c.size;
    EXPECT_EQ(info.has_memory_used, c.sensors > 0 ? 1 : 0) << c.size;
  }
}

TEST(GpuInfoSections, UnopenedObjectIsSafe) {
  CGPUInfo info = Unscanned();
  info.RefreshSensorsFrom(2ull << 40, nullptr, 0);
  info.CloseSharedMemory();
  info.CloseSharedMemory();
  EXPECT_EQ(info.shared_memory_open, 0);
  EXPECT_EQ(info.gpu_load, 0);
}

}  // namespace
