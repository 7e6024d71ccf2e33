#include "nvidia_source.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/testing/scratch_dir.h"

namespace gpu_publisher {
namespace {

// The fake library's answers, in its script form.
class NvmlScript {
 public:
  NvmlScript() { setenv("FAKE_NVML_SCRIPT", path_.c_str(), 1); }
  ~NvmlScript() { unsetenv("FAKE_NVML_SCRIPT"); }
  void Write(const std::string& extra) {
    ScratchDir::Write(path_, "name NVIDIA GeForce RTX 2060\ndriver 550.54.14\ncapability 7 5\ngpu 42\n"
                             "encoder 12\ndecoder 30\ntotal 6442450944\nused 1073741824\n" + extra);
  }

 private:
  ScratchDir dir_;
  std::string path_ = dir_.File("nvml");
};

std::string RecordsText(const GpuSource& source) {
  std::string text;
  for (const Record& r : source.records) text += r.key + "=" + r.value + ";";
  return text;
}

TEST(NvidiaSource, ReadsEveryFigure) {
  NvmlScript script;
  script.Write("");
  std::string error;
  auto source = OpenNvidiaSource(FAKE_NVML, &error);
  ASSERT_NE(source, nullptr) << error;
  EXPECT_EQ(RecordsText(*source), "CardName=NVIDIA GeForce RTX 2060;MemSize=6144 MB;DriverVersion=550.54.14;"
                                  "CUDA=1;CUDA_Capability=7.5;");
  Readings r;
  ASSERT_TRUE(source->Read(&r, &error)) << error;
  // Video: the busier of encoder and decoder.
  EXPECT_EQ(r.values, (decltype(r.values){42.0, 30.0, 1024.0, 1024.0, std::nullopt}));
  // While running, one failing call costs its figure only.
  script.Write("fail nvmlDeviceGetDecoderUtilization 15\n");
  r = Readings{};
  EXPECT_FALSE(source->Read(&r, &error));
  EXPECT_EQ(error, "nvmlDeviceGetDecoderUtilization: fake error 15");
  EXPECT_EQ(r.values, (decltype(r.values){42.0, std::nullopt, 1024.0, 1024.0, std::nullopt}));

  // What the card does not support is left out, never an error.
  script.Write("fail nvmlDeviceGetCudaComputeCapability 3\nfail nvmlDeviceGetEncoderUtilization 3\n"
               "fail nvmlDeviceGetDecoderUtilization 3\n");
  source = OpenNvidiaSource(FAKE_NVML, &error);
  ASSERT_NE(source, nullptr) << error;
  EXPECT_EQ(RecordsText(*source), "CardName=NVIDIA GeForce RTX 2060;MemSize=6144 MB;DriverVersion=550.54.14;");
  r = Readings{};
  ASSERT_TRUE(source->Read(&r, &error)) << error;
  EXPECT_EQ(r[Sensor::kVideoEngineLoad], std::nullopt);
}

TEST(NvidiaSource, StartFailures) {
  NvmlScript script;
  for (const auto& [library, extra, expected] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {FAKE_NVML, "fail nvmlInit_v2 9\n", "nvmlInit_v2: fake error 9"},
           {FAKE_NVML, "count 0\n", "the driver reports no card"},
           {FAKE_NVML, "fail nvmlDeviceGetHandleByIndex_v2 15\n", "nvmlDeviceGetHandleByIndex_v2: fake error 15"},
           {FAKE_NVML, "fail nvmlDeviceGetCudaComputeCapability 999\n",
            "nvmlDeviceGetCudaComputeCapability: fake error 999"},
           // A library that cannot be loaded is the end-to-end start's case.
           {FAKE_NVML_WITHOUT_DECODER, "", "NVML has no nvmlDeviceGetDecoderUtilization"}}) {
    SCOPED_TRACE(extra);
    script.Write(extra);
    std::string error;
    EXPECT_EQ(OpenNvidiaSource(library, &error), nullptr);
    EXPECT_EQ(error, expected);
  }
}

}  // namespace
}  // namespace gpu_publisher
