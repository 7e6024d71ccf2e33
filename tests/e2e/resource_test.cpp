// Memory stays where the start put it (samples are allocated before the loop), whatever the frame count.
#include "e2e_common.h"

namespace e2e {
namespace {

TEST(ResourceUse, MillionFrameRunKeepsMemoryFlat) {
  // About a microsecond a frame: the analysis reads well over 0.5 s and the run ends in seconds.
  Sandbox sandbox;
  sandbox.WriteFile("long.avs", "BlankClip(length=1000000, width=16, height=16, pixel_type=\"Y8\")\nSpin(1)\n");
  const ProcessResult r = RunPiped(sandbox, {"long.avs", "-csv", "-timelimit=15"}, std::nullopt, 90s);
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  // Records after the CSV's header: frame first, threads and physical memory the 7th and 8th fields.
  std::vector<std::vector<std::string>> rows;
  for (const auto& line : Split(sandbox.ReadFile("long.csv"))) rows.push_back(Split(line, ','));
  ASSERT_GE(rows.size(), 21u) << "too few records to judge a trend";
  for (const auto& row : rows) ASSERT_EQ(row.size(), 9u);
  // The first record can still see the loop's start-up: compare the first few with the last few.
  unsigned long first_max = 0, last_max = 0;
  for (size_t i = 0; i < 5; ++i) {
    first_max = std::max(first_max, std::stoul(rows[1 + i][7]));
    last_max = std::max(last_max, std::stoul(rows[rows.size() - 1 - i][7]));
  }
  EXPECT_LE(last_max, first_max + 2) << "memory grew over the run";
  EXPECT_EQ(rows[1][6], rows.back()[6]) << "thread count";
  EXPECT_EQ(rows.back()[0], "1000000") << "the run did not reach the last frame";
}

}  // namespace
}  // namespace e2e
