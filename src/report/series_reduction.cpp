#include "report/series_reduction.h"

namespace report {

std::vector<ChartPoint> ReducedPoints(const std::vector<double>& x, const std::vector<double>& y,
                                      size_t columns) {
  const size_t n = x.size() < y.size() ? x.size() : y.size();
  std::vector<ChartPoint> points;
  if (n <= kReduceAbove || columns < 2 || !(x[n - 1] > x[0])) {
    points.reserve(n);
    for (size_t i = 0; i < n; ++i) points.push_back({x[i], y[i]});
    return points;
  }
  points.reserve(2 * columns);
  const double scale = static_cast<double>(columns - 1) / (x[n - 1] - x[0]);
  size_t i = 0;
  while (i < n) {
    const size_t column = static_cast<size_t>((x[i] - x[0]) * scale);
    size_t low = i, high = i;
    size_t j = i + 1;
    for (; j < n && static_cast<size_t>((x[j] - x[0]) * scale) == column; ++j) {
      if (y[j] < y[low]) low = j;
      if (y[j] > y[high]) high = j;
    }
    const size_t first = low < high ? low : high;
    const size_t second = low < high ? high : low;
    points.push_back({x[first], y[first]});
    if (second != first) points.push_back({x[second], y[second]});
    i = j;
  }
  return points;
}

}  // namespace report
