#include "avs_host/script_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace avs_host {

namespace {

// Each step's bound is strict: the bound itself keeps the slower step's interval.
TEST(SamplingInterval, EachStepStartsJustAboveItsBound) {
  const struct { double bound; uint32_t at, above; } steps[] = {
      {0, 20000, 20000},  {0.001, 20000, 10000}, {0.002, 10000, 5000}, {0.005, 5000, 2000},
      {0.01, 2000, 1000}, {0.02, 1000, 500},     {0.05, 500, 200},     {0.1, 200, 100},
      {0.2, 100, 50},     {0.5, 50, 20},         {1, 20, 10},          {10, 10, 1},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(SamplingIntervalFor(s.bound), s.at) << s.bound;
    EXPECT_EQ(SamplingIntervalFor(std::nextafter(s.bound, 1e9)), s.above) << s.bound;
  }
}

}  // namespace

}  // namespace avs_host
