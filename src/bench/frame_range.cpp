#include "bench/frame_range.h"

#include "platform/console.h"
#include "text/text.h"

namespace bench {

RangeDecision CheckFrameRange(uint32_t frame_count, RequestedRange requested) {
  RangeDecision decision;
  decision.last = requested.last;
  // Refused before -1 is resolved: 0 - 1 would offer frames 0 to 4294967295.
  if (frame_count == 0) return decision;
  if (decision.last == -1) decision.last = static_cast<int64_t>(frame_count) - 1;
  const int64_t first = requested.first;
  const int64_t last = decision.last;
  if (first < 0 || first > last || last >= static_cast<int64_t>(frame_count)) {
    decision.check = RangeCheck::kOutsideClip;
    return decision;
  }
  decision.check = RangeCheck::kValid;
  decision.range.first = static_cast<uint32_t>(first);
  decision.range.last = static_cast<uint32_t>(last);
  decision.range.count = static_cast<uint32_t>(last - first + 1);
  return decision;
}

const char* ReadingStatusText(uint32_t range_frame_count) {
  return range_frame_count > 1 ? "Reading frames..." : "Reading frame...";
}

namespace {

// Bottom row first, so the cursor ends on the prompt's top row.
void EraseFourRows(console::Console& console) {
  for (int i = 0; i < 3; ++i) {
    console::EraseRow(console);
    console.MoveUp(1);
  }
  console::EraseRow(console);
}

}  // namespace

bool OfferWholeClip(uint32_t frame_count, const std::string& range_text, FrameRange* range,
                    console::Console& console) {
  // Keys typed while the question is being printed must not be echoed.
  platform::Keyboard::Mode keyboard(console.Keys());
  console::EraseRow(console);
  console.Print(console::kColorError, "\rInvalid frame range specified:\n");
  console.Print(console::kColorValue, "\r\"" + range_text + "\"\n\n");
  console.Print(console::kColorNone, text::Format("\rProceed with default (%u,%u)? [y/n]", 0u,
                                              frame_count - 1));
  const bool accepted = console.AskYesNo(100);
  EraseFourRows(console);
  if (!accepted) {
    console::PrintPaddedLine(console, console::kColorNone, std::string());
    console::PrintPaddedLine(console, console::kColorNone, std::string());
    return false;
  }
  console::PrintStatusLine(console, "Reading frame(s)...");
  range->first = 0;
  range->last = frame_count - 1;
  range->count = frame_count;
  return true;
}

}  // namespace bench
