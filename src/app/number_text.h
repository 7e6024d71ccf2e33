// Decimal conversion of settings and switch values.
#pragma once

#include <cstdint>
#include <string>

// An optional sign, then digits up to the first other character; no digits
// give 0 ("5-3" is 5, "--5" is 0). Out-of-range numbers stop at the type's
// limits.
int64_t ParseInt64Saturating(const std::string& text);
int32_t ParseInt32Saturating(const std::string& text);

// The first two tests of a range value: at least 3 characters, and a first
// comma with 1 to 27 characters before it.
bool RangeValueShapeOk(const std::string& value);
