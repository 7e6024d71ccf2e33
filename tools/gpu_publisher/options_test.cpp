#include "options.h"

#include <gtest/gtest.h>

namespace gpu_publisher {
namespace {

TEST(PublisherOptions, LiveForms) {
  struct Case {
    std::vector<std::string> args;
    SourceKind source;
    unsigned interval_ms;
  };
  for (const Case& c : std::vector<Case>{{{}, SourceKind::kFixed, 250},
                                         {{"--source"}, SourceKind::kAuto, 250},
                                         {{"--source=nvidia", "--interval", "10"}, SourceKind::kNvidia, 10},
                                         {{"--interval=60000", "--source=amdgpu"}, SourceKind::kAmdgpu, 60000},
                                         {{"--source=auto"}, SourceKind::kAuto, 250}}) {
    Options options;
    ASSERT_TRUE(ParseOptions(c.args, &options)) << testing::PrintToString(c.args);
    EXPECT_EQ(options.source, c.source);
    EXPECT_EQ(options.interval_ms, c.interval_ms);
  }
  Options options;
  ASSERT_TRUE(ParseOptions({"--source", "--nvml", "/x/libnvidia-ml.so.1", "--sysfs-root=/tmp/sys", "--pci-ids",
                            "ids", "--title", "T", "--seconds", "3"},
                           &options));
  EXPECT_EQ(options.nvml + "|" + options.sysfs_root + "|" + options.pci_ids + "|" + options.title,
            "/x/libnvidia-ml.so.1|/tmp/sys|ids|T");
  EXPECT_EQ(options.seconds, 3);
}

TEST(PublisherOptions, RefusesWhatItDoesNotTake) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--source", "nvidia"},  // the source must be joined to the flag
           {"--source=nouveau"},
           {"--interval", "9"},
           {"--interval", "60001"},
           {"--interval"},
           {"--nvml="},
           {"--source", "--record", "CardName=x"},
           {"--sensor", "GPU Load=5", "--source=amdgpu"},
           {"--sensor", "GPU Load=5x"},
           {"--record", "CardName"}}) {
    Options options;
    EXPECT_FALSE(ParseOptions(args, &options)) << testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace gpu_publisher
