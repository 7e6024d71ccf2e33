// The run's figures after the loop: printed over the last live page and
// appended to the report text under "[Runtime info]".
#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"
#include "bench/frame_loop.h"

namespace bench {

inline constexpr char kRangeTooShortText[] =
    "The specified frame range is too short for accurate measurements.";

// The summary shows what the page showed.
using SummaryOptions = FrameLoopOptions;

// "Frames processed: ..." in the form the first and last frame call for.
std::string FramesProcessedLine(const RunStatistics& stats);

// Prints the summary and appends its lines to report.
void PrintRunSummary(const FrameLoopState& state, const SummaryOptions& options,
                     std::string* report, console::Console& console);

}  // namespace bench
