// Numbers as the page, the summary and the records show them, and numbers
// read from settings and switches.
#pragma once

#include <cstdint>
#include <string>

namespace text {

// Frames per second and time per frame: fewer decimals as the value grows,
// whole numbers from 1000 up.
std::string FormatFps(double fps);
std::string FormatTpf(double ms);

// "hh:mm:ss.mmm", hours widened past 99; keep_leading_spaces keeps the
// right-aligned form of the clip report ("   00:00:01.000").
std::string FormatDuration(int64_t ms, bool keep_leading_spaces);

// An optional sign, then digits up to the first other character; no digits
// give 0 ("5-3" is 5, "--5" is 0). Out-of-range numbers stop at the type's
// limits.
int64_t ParseInt64Saturating(const std::string& value);
int32_t ParseInt32Saturating(const std::string& value);

}  // namespace text
