#include "options.h"

#include <gtest/gtest.h>

namespace gpu_publisher {
namespace {

TEST(PublisherOptions, SourceFormsAndRefusals) {
  Options options;
  ASSERT_TRUE(ParseOptions({"--source", "--interval=10", "--sysfs-root", "/s"}, &options));
  EXPECT_TRUE(options.source == SourceKind::kAuto && options.interval_ms == 10u && options.sysfs_root == "/s");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--source", "nvidia"},  // its value must be joined to it, as it may be left out
           {"--source=nouveau"},
           {"--interval", "9"},
           {"--interval", "60001"},
           {"--nvml="},
           {"--source=amdgpu", "--record", "CardName=x"},
           {"--sensor", "GPU Load=5", "--source"}}) {
    EXPECT_FALSE(ParseOptions(args, &options)) << testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace gpu_publisher
