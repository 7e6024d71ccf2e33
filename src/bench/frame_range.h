// The frame range checked against the loaded clip, and the offer of the whole
// clip when it does not fit.
#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"

namespace bench {

// A clip without frames has no range to offer; the run prints this in
// colour 11 and ends with status -1.
inline constexpr char kNoFramesMessage[] = "\nThe clip has no frames\n";

struct FrameRange {
  uint32_t first = 0;
  uint32_t last = 0;
  uint32_t count = 0;  // frames in the range
};

enum class RangeCheck { kValid, kOutsideClip, kNoFrames };

// The range as asked for; a last frame of -1 stands for the clip's last.
struct RequestedRange {
  int64_t first = 0;
  int64_t last = -1;
};

struct RangeDecision {
  RangeCheck check = RangeCheck::kNoFrames;
  int64_t last = -1;  // the asked-for last frame, -1 resolved when the clip has frames
  FrameRange range;   // set only when check is kValid
};

// Tests the range against a clip of frame_count frames.
RangeDecision CheckFrameRange(uint32_t frame_count, RequestedRange requested);

// Status text the loop shows before it starts.
const char* ReadingStatusText(uint32_t range_frame_count);

// Shows why the range was rejected and offers 0 to frame_count - 1. Accepted:
// range becomes the whole clip and "Reading frame(s)..." stands on the top
// row. Declined: the prompt is erased and two blank rows follow; the caller
// releases the script, writes the log and ends with status 0.
bool OfferWholeClip(uint32_t frame_count, const std::string& range_text, FrameRange* range,
                    console::Console& console);

}  // namespace bench
