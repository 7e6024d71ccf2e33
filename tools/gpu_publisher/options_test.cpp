#include "options.h"

#include <gtest/gtest.h>

namespace gpu_publisher {
namespace {

TEST(PublisherOptions, SourceFormsAndRefusals) {
  Options options;
  ASSERT_TRUE(ParseOptions({"--source", "--interval=10", "--sysfs-root", "/s"}, &options));
  EXPECT_EQ(options.source, SourceKind::kAuto);
  EXPECT_EQ(options.interval_ms, 10u);
  EXPECT_EQ(options.sysfs_root, "/s");
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
