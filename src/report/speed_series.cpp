#include "report/speed_series.h"

#include <algorithm>
#include <cmath>

namespace report {

namespace {

// The smallest rate the file's "%.3f" can hold apart from zero: a record
// shown as 0.000 took at least this long per frame.
constexpr double kSmallestRate = 0.0005;

struct Span {
  double frames;
  double seconds;
};

// What each record covers. Records of one run are one interval apart, so the
// first record's interval is taken to be the second's; a single record
// counts from frame 0.
std::vector<Span> SpansOf(const std::vector<CsvRecord>& records) {
  std::vector<Span> spans;
  spans.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    double frames = i > 0 ? double(records[i].frame) - records[i - 1].frame
                    : records.size() > 1 ? double(records[1].frame) - records[0].frame
                                         : double(records[0].frame);
    if (i == 0) frames = std::clamp(frames, 1.0, std::max(1.0, double(records[0].frame)));
    spans.push_back({frames, frames / std::max(records[i].frame_rate, kSmallestRate)});
  }
  return spans;
}

}  // namespace

SpeedSeries SpeedOverTime(const std::vector<CsvRecord>& records, size_t windows) {
  SpeedSeries series;
  if (records.empty()) return series;
  const std::vector<Span> spans = SpansOf(records);
  double total_frames = 0, total_seconds = 0;
  for (const Span& s : spans) total_frames += s.frames, total_seconds += s.seconds;
  windows = std::min(windows, static_cast<size_t>(total_frames / kMinWindowFrames));
  if (records.size() <= windows && windows > 0) windows = 0;
  if (windows == 0 || !(total_seconds > 0)) {
    for (const CsvRecord& r : records) {
      series.x.push_back(r.frame);
      series.y.push_back(r.frame_rate);
    }
    return series;
  }
  series.windowed = true;
  const double width = total_seconds / static_cast<double>(windows);
  series.window_seconds = width;
  std::vector<double> frames(windows, 0.0);
  double t = 0;
  for (const Span& s : spans) {
    const double end = t + s.seconds;
    for (size_t k = std::min(windows - 1, static_cast<size_t>(t / width)); k < windows; ++k) {
      const double from = std::max(t, k * width), to = std::min(end, (k + 1) * width);
      if (to > from) frames[k] += s.frames * (to - from) / s.seconds;
      if ((k + 1) * width >= end) break;
    }
    t = end;
  }
  double frame = double(records.front().frame) - spans.front().frames;
  for (size_t k = 0; k < windows; ++k) {
    frame += frames[k];
    series.x.push_back(frame);
    series.y.push_back(frames[k] / width);
  }
  return series;
}

double WeightedPercentile(std::vector<std::pair<double, double>> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  double total = 0;
  for (const auto& v : values) total += v.second;
  // A share like 0.95 of 20 must reach the 19th value, not miss it by a rounding.
  const double target = p * total - 1e-9 * total;
  double sum = 0;
  for (const auto& [value, weight] : values) {
    sum += weight;
    if (sum >= target) return value;
  }
  return values.back().first;
}

FrameTimes FrameTimesOf(const std::vector<CsvRecord>& records) {
  FrameTimes times;
  if (records.empty()) return times;
  const std::vector<Span> spans = SpansOf(records);
  std::vector<std::pair<double, double>> values;
  values.reserve(spans.size());
  for (const Span& s : spans) {
    const double ms = 1000 * s.seconds / s.frames;
    values.push_back({ms, s.frames});
    times.maximum = std::max(times.maximum, ms);
  }
  times.median = WeightedPercentile(values, 0.5);
  times.p95 = WeightedPercentile(values, 0.95);
  times.p99 = WeightedPercentile(std::move(values), 0.99);
  return times;
}

double ResistantTop(const std::vector<double>& values) {
  if (values.empty()) return 0;
  std::vector<std::pair<double, double>> weighted;
  weighted.reserve(values.size());
  for (double v : values) weighted.push_back({v, 1.0});
  const double high = WeightedPercentile(std::move(weighted), 0.99) * kSpikeMargin;
  const double maximum = *std::max_element(values.begin(), values.end());
  return maximum <= high ? maximum : high;
}

}  // namespace report
