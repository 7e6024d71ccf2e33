#include "bench/frame_range.h"

#include <gtest/gtest.h>

#include "bench/testing/recording_console.h"

namespace {

TEST(FrameRangeCheck, AcceptsOnlyRangesInsideTheClip) {
  const struct {
    uint32_t frames;
    int64_t first, last;
    RangeCheck result;
    uint32_t range_first = 0, range_last = 0, count = 0;
  } cases[] = {
      {100, 0, -1, RangeCheck::kValid, 0, 99, 100},
      {100, 10, 10, RangeCheck::kValid, 10, 10, 1},
      {100, 99, -1, RangeCheck::kValid, 99, 99, 1},
      {100, 0, 100, RangeCheck::kOutsideClip},
      {100, 50, 20, RangeCheck::kOutsideClip},
      {100, -1, 5, RangeCheck::kOutsideClip},
      {100, 0, -2, RangeCheck::kOutsideClip},
      {100, 1099511627775LL, 1099511627775LL, RangeCheck::kOutsideClip},  // unparsable value
      {0, 0, -1, RangeCheck::kNoFrames},
      {0, 0, 0, RangeCheck::kNoFrames},
  };
  for (const auto& c : cases) {
    const RangeDecision d = CheckFrameRange(c.frames, {c.first, c.last});
    EXPECT_EQ(d.check, c.result) << c.frames << ": " << c.first << "," << c.last;
    if (c.result == RangeCheck::kValid) {
      EXPECT_EQ(d.range.first, c.range_first);
      EXPECT_EQ(d.range.last, c.range_last);
      EXPECT_EQ(d.range.count, c.count);
      EXPECT_EQ(d.last, c.range_last);  // only -1 means the last frame
    } else {
      EXPECT_EQ(d.range.count, 0u) << "a rejected range must not be handed on";
      EXPECT_EQ(d.last, c.last);
    }
  }
}

TEST(RangePrompt, AnswerDecidesTheRangeAndTheRowsLeft) {
  ScopedConsoleWidth width{8};
  // The range text is data, never a format.
  const std::string question =
      "\r       {11}\rInvalid frame range specified:\n{15}\r\"FrameRange=%s%n\"\n\n"
      "\rProceed with default (0,99)? [y/n]"
      "\r       <up 1>\r       <up 1>\r       <up 1>\r       ";
  for (const bool yes : {true, false}) {
    RecordingConsole console;
    FrameRange range{1, 2, 3};
    uint32_t asked_with = 0;
    EXPECT_EQ(OfferWholeClip(100, "FrameRange=%s%n", &range, console, [&](uint32_t poll) {
      asked_with = poll;
      return yes;
    }), yes);
    EXPECT_EQ(asked_with, 100u);
    EXPECT_EQ(console.out, question + (yes ? "\rReading frame(s)...\r" : "\r       \n\r       \n"));
    EXPECT_EQ(range.first, yes ? 0u : 1u);
    EXPECT_EQ(range.last, yes ? 99u : 2u);
    EXPECT_EQ(range.count, yes ? 100u : 3u);
  }
}

}  // namespace
