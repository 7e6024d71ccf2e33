#include <gtest/gtest.h>

#include <cmath>

#include "console/console_utils.h"

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
    EXPECT_EQ(CUtils::FormatFps(c.value), c.fps) << c.value;
    EXPECT_EQ(CUtils::FormatTpf(c.value), c.tpf) << c.value;
  }
}

}  // namespace
