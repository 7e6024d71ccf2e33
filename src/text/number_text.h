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

// korbinet-compare's figures, alike in its table and on the report's page.
// Decimals of a speed: about four significant figures from 0.1 to 10,000 fps.
int CompareFpsDecimals(double fps);
// Decimals of a ratio and its interval: two, three when the interval is too
// narrow to tell apart so.
int RatioDecimals(double low, double high);
// Bytes as whole megabytes, rounded.
std::string WholeMegabytes(uint64_t bytes);

// An optional sign, then digits up to the first other character; no digits
// give 0 ("5-3" is 5, "--5" is 0). Out-of-range numbers stop at the type's
// limits.
int64_t ParseInt64Saturating(const std::string& value);
int32_t ParseInt32Saturating(const std::string& value);

}  // namespace text
