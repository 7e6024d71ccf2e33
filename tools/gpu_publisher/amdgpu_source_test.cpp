#include "amdgpu_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/scratch_dir.h"

namespace gpu_publisher {
namespace {

// A sysfs tree as the amdgpu driver lays it out, card1 being the AMD card.
class FakeSysfs {
 public:
  FakeSysfs() {
    for (const std::string& dir : {root_ + "/class/drm/card0-DP-1", root_ + "/class/drm/card0/device", device_,
                                   root_ + "/module/amdgpu"})
      std::filesystem::create_directories(dir);
    for (const auto& [file, text] : std::vector<std::pair<std::string, std::string>>{
             {"vendor", "0x1002\n"}, {"device", "0x73bf\n"}, {"gpu_busy_percent", "37\n"},
             {"mem_info_vram_used", "1073741824\n"}, {"mem_info_vram_total", "17163091968\n"},
             {"mem_info_gtt_used", "52428800\n"}})
      Write(file, text);
    ScratchDir::Write(root_ + "/module/amdgpu/version", "5.18.13\n");
    ScratchDir::Write(scratch_.File("pci.ids"),
                      "# comment\n1002  Advanced Micro Devices, Inc. [AMD/ATI]\n\t73a5  Navi 21 [Radeon RX 6950 XT]\n"
                      "\t73bf  Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]\n\t\t1002 0e3a  Radeon RX 6900 XT\n"
                      "1022  Advanced Micro Devices, Inc. [AMD]\n\t73bf  Not this one\n");
  }
  void Write(const std::string& file, const std::string& text) { ScratchDir::Write(device_ + "/" + file, text); }
  void Remove(const std::string& file) { std::filesystem::remove(device_ + "/" + file); }
  std::unique_ptr<GpuSource> Open(std::string* error) {
    return OpenAmdgpuSource(root_, scratch_.File("pci.ids"), error);
  }
  ScratchDir scratch_;
  std::string root_ = scratch_.File("sys"), device_ = root_ + "/class/drm/card1/device";
};

TEST(AmdgpuSource, ReadsTheCardsFigures) {
  FakeSysfs sysfs;
  std::string error;
  auto source = sysfs.Open(&error);
  ASSERT_NE(source, nullptr) << error;
  std::string records;
  for (const Record& r : source->records) records += r.key + "=" + r.value + ";";
  EXPECT_EQ(records, "CardName=AMD Radeon RX 6800/6800 XT / 6900 XT;GPUName=Navi 21;MemSize=16368 MB;"
                     "DriverVersion=amdgpu 5.18.13;");
  Readings r;
  ASSERT_TRUE(source->Read(&r, &error)) << error;
  EXPECT_EQ(r.values, (decltype(r.values){37.0, std::nullopt, 1024.0, 1024.0, 50.0}));

  // A card the list does not know is named by its ids.
  sysfs.Write("device", "0x7fff\n");
  source = sysfs.Open(&error);
  ASSERT_NE(source, nullptr) << error;
  EXPECT_EQ(source->records.front().value, "AMD graphics card (PCI 1002:7fff)");

  // A file vanishing or garbled between readings costs its figure only.
  sysfs.Remove("mem_info_gtt_used");
  sysfs.Write("gpu_busy_percent", "\n");
  r = Readings{};
  EXPECT_FALSE(source->Read(&r, &error));
  EXPECT_EQ(error, sysfs.device_ + "/gpu_busy_percent holds no number: \"?\"");
  EXPECT_EQ(r.values, (decltype(r.values){std::nullopt, std::nullopt, 1024.0, 1024.0, std::nullopt}));
}

TEST(AmdgpuSource, StartFailuresNameTheFile) {
  struct Case { std::string file, text, error; };  // text "-": the file is removed; error after the device folder
  for (const Case& c : std::vector<Case>{
           {"mem_info_vram_total", "-", "/mem_info_vram_total: No such file or directory"},
           {"vendor", "AMD\n", "/vendor holds no number: \"AMD?\""},
           {"mem_info_vram_total", "12 MB\n\x1b[2J", "/mem_info_vram_total holds no number: \"12 MB??[2J\""},
           {"mem_info_vram_total", "99999999999999999999999\n", "/mem_info_vram_total holds no number: "
                                                                "\"99999999999999999999999?\""}}) {
    SCOPED_TRACE(c.file + " " + c.text);
    FakeSysfs sysfs;
    c.text == "-" ? sysfs.Remove(c.file) : sysfs.Write(c.file, c.text);
    std::string error;
    EXPECT_EQ(sysfs.Open(&error), nullptr);
    EXPECT_EQ(error, (c.text == "-" ? "cannot read " : "") + sysfs.device_ + c.error);
  }
  FakeSysfs sysfs;
  sysfs.Remove("gpu_busy_percent");  // no longer an amdgpu card
  std::string error;
  EXPECT_EQ(sysfs.Open(&error), nullptr);
  EXPECT_EQ(error, "no amdgpu card under " + sysfs.root_ + "/class/drm");
}

}  // namespace
}  // namespace gpu_publisher
