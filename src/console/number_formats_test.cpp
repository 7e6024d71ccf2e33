#include <gtest/gtest.h>

#include <cmath>

#include "console/console_utils.h"
#include "measure/timer.h"

namespace {

struct NumberCase {
  double value;
  const char* text;
};

TEST(NumberFormats, FpsDecimalsFollowTheThresholdsJustBelowPowersOfTen) {
  const NumberCase cases[] = {
      {0.0, "0.000"},     {1.5, "1.500"},     {9.9989, "9.999"},  {9.999, "10.00"},
      {10.0, "10.00"},    {99.98, "99.98"},   {99.99, "100.0"},   {100.0, "100.0"},
      {999.89, "999.9"},  {999.9, "1000"},    {1000.0, "1000"},   {1234.5, "1235"},
      {1234.49, "1234"},  {-3.0, "-3.000"},   {4294967295.0, "4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(CUtils::FormatFps(c.value), c.text) << c.value;
}

TEST(NumberFormats, TpfDecimalsFollowPowersOfTen) {
  const NumberCase cases[] = {
      {0.5, "0.5000"},   {0.99995, "1.0000"}, {1.0, "1.000"},   {9.9994, "9.999"},
      {10.0, "10.00"},   {99.5, "99.50"},     {100.0, "100.0"}, {999.94, "999.9"},
      {1000.0, "1000"},  {1234.5, "1235"},    {41.7083, "41.71"},
  };
  for (const auto& c : cases) EXPECT_EQ(CUtils::FormatTpf(c.value), c.text) << c.value;
}

TEST(NumberFormats, WholeNumberRowStaysReadableOutsideUnsigned32) {
  EXPECT_EQ(CUtils::FormatFps(4294967296.0), "4294967296");
  EXPECT_EQ(CUtils::FormatTpf(1e12), "1000000000000");
  EXPECT_EQ(CUtils::FormatFps(std::nan("")), "nan");
  EXPECT_EQ(CUtils::FormatTpf(INFINITY), "inf");
}

struct DurationCase {
  int64_t ms;
  int keep;
  const char* text;
};

TEST(NumberFormats, DurationClockFormWithAndWithoutLeadingSpaces) {
  const DurationCase cases[] = {
      {0, 1, "   00:00:00.000"},
      {0, 0, "00:00:00.000"},
      {3723004, 1, "   01:02:03.004"},
      {3723004, 0, "01:02:03.004"},
      {359999999, 1, "   99:59:59.999"},
      {360000000, 1, "  100:00:00.000"},
      {360000000, 0, "100:00:00.000"},
      {4294967296LL, 1, " 1193:02:47.296"},
      {359999999999LL, 1, "99999:59:59.999"},
      {360000000000LL, 1, "100000:00:00.000"},
      {-5, 1, "   00:00:00.000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(g_timer.FormatDuration(c.ms, c.keep), c.text) << c.ms << " keep " << c.keep;
  }
}

}  // namespace
