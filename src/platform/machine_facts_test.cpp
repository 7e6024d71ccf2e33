#include "platform/machine_facts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace platform {
namespace {

TEST(MachineFacts, DescribeThisMachine) {
  const MachineFacts facts = ReadMachineFacts();
  EXPECT_GE(facts.cores, 1);
#ifdef _WIN32
  EXPECT_EQ(facts.os.rfind("Windows ", 0), 0u) << facts.os;
  EXPECT_TRUE(std::isnan(LoadAverage1()));
#else
  EXPECT_EQ(facts.os.rfind("Linux ", 0), 0u) << facts.os;
  EXPECT_GE(LoadAverage1(), 0.0);  // false for NaN too
#endif
  EXPECT_GT(facts.os.size(), 8u);
}

}  // namespace
}  // namespace platform
