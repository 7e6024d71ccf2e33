#include "bench/frame_range.h"

#include "console/console_utils.h"
#include "platform/console.h"
#include "text/text.h"

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

bool AskYesNoFromKeyboard(uint32_t poll_ms) {
  platform::KeyboardMode keyboard;
  return AskYesNo(poll_ms);
}

namespace {

// Bottom row first, so the cursor ends on the prompt's top row.
void EraseFourRows(ConsoleSink& sink) {
  for (int i = 0; i < 3; ++i) {
    EraseRow(sink);
    sink.MoveUp(1);
  }
  EraseRow(sink);
}

}  // namespace

bool OfferWholeClip(uint32_t frame_count, const std::string& range_text, FrameRange* range,
                    ConsoleSink& sink, const YesNoQuestion& ask) {
  // Keys typed while the question is being printed must not be echoed.
  platform::KeyboardMode keyboard;
  EraseRow(sink);
  sink.Print(kColorError, "\rInvalid frame range specified:\n");
  sink.Print(kColorValue, "\r\"" + range_text + "\"\n\n");
  sink.Print(kColorNone, text::Format("\rProceed with default (%u,%u)? [y/n]", 0u,
                                              frame_count - 1));
  const bool accepted = ask(100);
  EraseFourRows(sink);
  if (!accepted) {
    PrintPaddedLine(sink, kColorNone, std::string());
    PrintPaddedLine(sink, kColorNone, std::string());
    return false;
  }
  PrintStatusLine(sink, "Reading frame(s)...");
  range->first = 0;
  range->last = frame_count - 1;
  range->count = frame_count;
  return true;
}
