// Fitting a long series into a chart's pixel columns without losing what
// stands out in it.
#pragma once

#include <cstddef>
#include <vector>

namespace report {

struct ChartPoint {
  double x = 0;
  double y = 0;
};

// Up to this many points a series is drawn point by point.
inline constexpr size_t kReduceAbove = 4000;

// The points to draw of y[i] at x[i] (x ascending) across columns pixel
// columns. Longer series keep, for each column, the record of the lowest and
// of the highest value, in record order: a dip or a spike of one record among
// any number stays in the line. Points are never dropped on any other rule.
std::vector<ChartPoint> ReducedPoints(const std::vector<double>& x, const std::vector<double>& y,
                                      size_t columns);

}  // namespace report
