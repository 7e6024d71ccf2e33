// Memory stays where the start put it (samples are allocated before the loop), whatever the frame count.
#include <iostream>

#include "e2e_common.h"

namespace e2e {
namespace {

TEST(ResourceUse, MillionFrameRunKeepsMemoryFlat) {
  // About a microsecond a frame: the analysis reads well over 0.5 s and the run ends in seconds.
  Sandbox sandbox;
  sandbox.WriteFile("long.avs", "BlankClip(length=1000000, width=16, height=16, pixel_type=\"Y8\")\nSpin(1)\n");
  const ProcessResult r = RunPiped(sandbox, {"long.avs", "-csv", "-timelimit=15"}, std::nullopt, 90s);
  ASSERT_EQ(r.exit_status, 0) << Describe(r);

  std::vector<std::vector<std::string>> rows;
  for (const auto& line : Split(sandbox.ReadFile("long.csv"))) rows.push_back(Split(line, ','));
  ASSERT_GE(rows.size(), 21u) << "too few records to judge a trend";
  const size_t frame = 0, fps = 2, threads = 6, memory = 7;
  ASSERT_EQ(rows[0][threads] + rows[0][memory], "ThreadsPhysMEM(MB)");
  for (const auto& row : rows) ASSERT_EQ(row.size(), rows[0].size());
  // The first record can still see the loop's start-up: compare the first few with the last few.
  unsigned first_max = 0, last_max = 0;
  for (size_t i = 0; i < 5; ++i) {
    first_max = std::max(first_max, static_cast<unsigned>(std::stoul(rows[1 + i][memory])));
    last_max = std::max(last_max, static_cast<unsigned>(std::stoul(rows[rows.size() - 1 - i][memory])));
  }
  EXPECT_LE(last_max, first_max + 2) << "memory grew over the run";
  EXPECT_EQ(rows[1][threads], rows.back()[threads]);
  EXPECT_EQ(rows.back()[frame], "1000000") << "the run did not reach the last frame";
  // For the performance notes.
  std::cout << "[ figures  ] rows " << rows.size() - 1 << ", average fps " << rows.back()[fps]
            << ", PhysMEM(MB) first " << rows[1][memory] << " last " << rows.back()[memory] << std::endl;
}

}  // namespace
}  // namespace e2e
