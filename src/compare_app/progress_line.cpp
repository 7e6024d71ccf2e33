#include "compare_app/progress_line.h"

#include <cstdio>

namespace compare_app {

ProgressLine::ProgressLine(console::Console& console, const compare::CompareOptions& options)
    : console_(console), options_(options), in_place_(console.Width() > 0) {}

void ProgressLine::Show(const std::string& text) {
  if (in_place_) {
    console::PrintStatusLine(console_, text);
    shown_ = true;
  } else {
    console_.Print(console::kColorNone, text + "\n");
  }
}

std::string ProgressLine::BlockText(size_t block) const {
  std::string text = "Block " + std::to_string(block + 1);
  if (options_.rounds > 0) text += "/" + std::to_string(options_.warmup + options_.rounds);
  if (block < static_cast<size_t>(options_.warmup)) text += " (warm-up)";
  return text;
}

std::string ProgressLine::TimeText(double elapsed_seconds) const {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f s of at most %.0f s", elapsed_seconds, options_.time_seconds);
  return text;
}

void ProgressLine::Loading(size_t variant, size_t count, const std::string& label) {
  Show("Loading " + std::to_string(variant + 1) + "/" + std::to_string(count) + ": " + label);
}

void ProgressLine::Measuring(size_t block, size_t position, size_t count, double elapsed_seconds) {
  // A plain line per round would bury the output; those come per block.
  if (!in_place_) return;
  Show(BlockText(block) + ", round " + std::to_string(position + 1) + "/" + std::to_string(count) + ", " +
       TimeText(elapsed_seconds) + "; Esc stops");
}

void ProgressLine::BlockDone(size_t blocks_done, double elapsed_seconds) {
  if (in_place_) return;
  Show(BlockText(blocks_done - 1) + " done, " + TimeText(elapsed_seconds));
}

void ProgressLine::Finished() {
  if (!shown_) return;
  console::EraseRow(console_);
  console_.Print(console::kColorNone, "\r");
  shown_ = false;
}

}  // namespace compare_app
