#include "bench/frame_range.h"

#include <gtest/gtest.h>

#include "bench/testing/recording_console.h"
#include "console/console_utils.h"

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
      {100, 0, 99, RangeCheck::kValid, 0, 99, 100},
      {100, 99, -1, RangeCheck::kValid, 99, 99, 1},
      {100, 0, 100, RangeCheck::kOutsideClip},
      {100, 50, 20, RangeCheck::kOutsideClip},
      {100, -1, 5, RangeCheck::kOutsideClip},
      {100, 0, -2, RangeCheck::kOutsideClip},
      {100, UnsetFrameNumber, UnsetFrameNumber, RangeCheck::kOutsideClip},
      {0, 0, -1, RangeCheck::kNoFrames},
      {0, 0, 0, RangeCheck::kNoFrames},
  };
  for (const auto& c : cases) {
    Settings settings;
    settings.FrameRangeFirst = c.first;
    settings.FrameRangeLast = c.last;
    FrameRange range{7, 7, 7};
    EXPECT_EQ(CheckFrameRange(c.frames, settings, &range), c.result)
        << c.frames << ": " << c.first << "," << c.last;
    if (c.result == RangeCheck::kValid) {
      EXPECT_EQ(range.first, c.range_first);
      EXPECT_EQ(range.last, c.range_last);
      EXPECT_EQ(range.count, c.count);
    } else {
      EXPECT_EQ(range.count, 7u) << "a rejected range must not be handed on";
    }
  }
}

TEST(FrameRangeCheck, OnlyMinusOneMeansTheLastFrameAndIsStoredBack) {
  Settings settings;
  FrameRange range;
  CheckFrameRange(100, settings, &range);
  EXPECT_EQ(settings.FrameRangeLast, 99);
  settings.FrameRangeLast = -2;
  CheckFrameRange(100, settings, &range);
  EXPECT_EQ(settings.FrameRangeLast, -2);
}

TEST(FrameRangeCheck, StatusTextFollowsTheRangeLength) {
  EXPECT_STREQ(ReadingStatusText(100), "Reading frames...");
  EXPECT_STREQ(ReadingStatusText(2), "Reading frames...");
  EXPECT_STREQ(ReadingStatusText(1), "Reading frame...");
  EXPECT_STREQ(kNoFramesMessage, "\nThe clip has no frames\n");
}

class RangePrompt : public testing::Test {
 protected:
  void SetUp() override {
    saved_width_ = g_utils.ConsoleWidth();
    g_utils.SetConsoleWidthForTest(8);
  }
  void TearDown() override { g_utils.SetConsoleWidthForTest(saved_width_); }
  int saved_width_ = 0;

  // What the prompt shows before it waits: the erased row, the notice, the
  // quoted range and the question.
  static constexpr const char* kQuestion =
      "\r       {11}\rInvalid frame range specified:\n{15}\r\"FrameRange=50,20\"\n\n"
      "\rProceed with default (0,99)? [y/n]";
  static constexpr const char* kErased =
      "\r       <up 1>\r       <up 1>\r       <up 1>\r       ";
};

TEST_F(RangePrompt, AcceptingOffersTheWholeClip) {
  RecordingConsole console;
  FrameRange range;
  uint32_t asked_with = 0;
  EXPECT_TRUE(OfferWholeClip(100, "FrameRange=50,20", &range, console, [&](uint32_t poll) {
    asked_with = poll;
    return true;
  }));
  EXPECT_EQ(asked_with, 100u);
  EXPECT_EQ(console.out, std::string(kQuestion) + kErased + "\rReading frame(s)...\r");
  EXPECT_EQ(range.first, 0u);
  EXPECT_EQ(range.last, 99u);
  EXPECT_EQ(range.count, 100u);
}

TEST_F(RangePrompt, DecliningLeavesTwoBlankRowsAndTheRangeAlone) {
  RecordingConsole console;
  FrameRange range{1, 2, 3};
  EXPECT_FALSE(OfferWholeClip(100, "FrameRange=50,20", &range, console,
                              [](uint32_t) { return false; }));
  EXPECT_EQ(console.out, std::string(kQuestion) + kErased + "\r       \n\r       \n");
  EXPECT_EQ(range.count, 3u);
}

TEST_F(RangePrompt, RangeTextIsShownAsDataNotAsFormat) {
  RecordingConsole console;
  FrameRange range;
  OfferWholeClip(5, "FrameRange=%s%n", &range, console, [](uint32_t) { return false; });
  EXPECT_NE(console.out.find("\"FrameRange=%s%n\""), std::string::npos);
}

}  // namespace
