#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct NumberCase { double value; const char* fps; const char* tpf; };

TEST(NumberFormats, DecimalsFollowTheThresholds) {
  const NumberCase cases[] = {
      {0.5, "0.500", "0.5000"},   {0.99995, "1.000", "1.0000"}, {1.0, "1.000", "1.000"},
      {9.9989, "9.999", "9.999"}, {9.999, "10.00", "9.999"},     {10.0, "10.00", "10.00"},
      {99.98, "99.98", "99.98"},  {99.99, "100.0", "99.99"},     {100.0, "100.0", "100.0"},
      {999.89, "999.9", "999.9"}, {999.9, "1000", "999.9"},      {1000.0, "1000", "1000"},
      {1234.49, "1234", "1234"},  {1234.5, "1235", "1235"},      {-3.0, "-3.000", "-3.0000"},
      {4294967295.0, "4294967295", "4294967295"},
      // Beyond the unsigned 32-bit row: still readable.
      {4294967296.0, "4294967296", "4294967296"}, {NAN, "nan", "nan"}, {INFINITY, "inf", "inf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::FormatFps(c.value), c.fps) << c.value;
    EXPECT_EQ(text::FormatTpf(c.value), c.tpf) << c.value;
  }
}

TEST(NumberText, DurationClockFormWithAndWithoutLeadingSpaces) {
  const struct { int64_t ms; const char* keep; const char* strip; } cases[] = {
      {0, "   00:00:00.000", "00:00:00.000"},
      {359999999, "   99:59:59.999", "99:59:59.999"},
      {360000000, "  100:00:00.000", "100:00:00.000"},
      {4294967296LL, " 1193:02:47.296", "1193:02:47.296"},
      {360000000000LL, "100000:00:00.000", "100000:00:00.000"},
      {-5, "   00:00:00.000", "00:00:00.000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::FormatDuration(c.ms, true) + "|" + text::FormatDuration(c.ms, false),
              std::string(c.keep) + "|" + c.strip);
  }
}

}  // namespace
