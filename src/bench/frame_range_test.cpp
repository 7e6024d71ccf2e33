#include "bench/frame_range.h"

#include <gtest/gtest.h>

#include <tuple>

#include "console/testing/recording_console.h"

namespace bench {

namespace {

TEST(FrameRangeCheck, AcceptsOnlyRangesInsideTheClip) {
  const struct { uint32_t frames; int64_t first, last; RangeCheck result; uint32_t range_first = 0, range_last = 0, count = 0; }
  cases[] = {
      {100, 0, -1, RangeCheck::kValid, 0, 99, 100},
      {100, 10, 10, RangeCheck::kValid, 10, 10, 1},
      {100, 99, -1, RangeCheck::kValid, 99, 99, 1},
      {100, 0, 100, RangeCheck::kOutsideClip},
      {100, 50, 20, RangeCheck::kOutsideClip},
      {100, -1, 5, RangeCheck::kOutsideClip},
      {100, 0, -2, RangeCheck::kOutsideClip},
      {100, 1099511627775LL, 1099511627775LL, RangeCheck::kOutsideClip},  // unparsable value
      {0, 0, -1, RangeCheck::kNoFrames},
  };
  for (const auto& c : cases) {
    const RangeDecision d = CheckFrameRange(c.frames, {c.first, c.last});
    // Only -1 means the last frame; a rejected range is never handed on.
    EXPECT_EQ(std::make_tuple(d.check, d.range.first, d.range.last, d.range.count, d.last),
              std::make_tuple(c.result, c.range_first, c.range_last, c.count,
                              c.result == RangeCheck::kValid ? int64_t{c.range_last} : c.last))
        << c.frames << ": " << c.first << "," << c.last;
  }
}

// The answers' effects are the end-to-end prompts'; here padding, colours and a range text that is data.
TEST(RangePrompt, ANoKeepsTheRange) {
  console::RecordingConsole console;
  console.width = 8;
  FrameRange range{1, 2, 3};
  EXPECT_FALSE(OfferWholeClip(100, "FrameRange=%s%n", &range, console));
  EXPECT_EQ(console.asked, std::vector<uint32_t>{100});
  EXPECT_EQ(console.out,
            "\r       {11}\rInvalid frame range specified:\n{15}\r\"FrameRange=%s%n\"\n\n"
            "\rProceed with default (0,99)? [y/n]\r       <up 1>\r       <up 1>\r       <up 1>\r       "
            "\r       \n\r       \n");
  EXPECT_EQ(std::make_tuple(range.first, range.last, range.count), std::make_tuple(1u, 2u, 3u));
}

}  // namespace

}  // namespace bench
