#include "report/series_reduction.h"

#include <gtest/gtest.h>

namespace report {
namespace {

TEST(ReducedPoints, ASingleRecordDipSurvivesHalfAMillionRecords) {
  const size_t n = 500000;
  for (size_t dip : {size_t{0}, size_t{123457}, n - 1}) {
    std::vector<double> x(n), y(n, 400.0);
    for (size_t i = 0; i < n; ++i) x[i] = 10.0 * (i + 1);
    y[dip] = 3.5;
    y[(dip + 1000) % n] = 900;  // and a spike elsewhere
    const auto points = ReducedPoints(x, y, 788);
    EXPECT_LE(points.size(), 2u * 788);
    size_t dips = 0, spikes = 0;
    for (const ChartPoint& p : points) {
      if (p.y == 3.5) {
        ++dips;
        EXPECT_EQ(p.x, x[dip]);
      }
      spikes += p.y == 900;
    }
    EXPECT_EQ(dips, 1u) << dip;
    EXPECT_EQ(spikes, 1u) << dip;
    // In record order, starting at the first record.
    for (size_t k = 1; k < points.size(); ++k) EXPECT_LT(points[k - 1].x, points[k].x);
    EXPECT_EQ(points.front().x, x[0]);
  }
  EXPECT_EQ(ReducedPoints({1, 2, 3}, {5, 1, 5}, 800).size(), 3u);  // a short series is drawn point by point
}

}  // namespace
}  // namespace report
