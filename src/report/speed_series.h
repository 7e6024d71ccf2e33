// A run's speed as the page draws it. A record closes a sampling interval and
// carries that interval's rate; with an interval of one frame under Prefetch,
// a frame the workers already made arrives in microseconds and its record
// claims up to a million frames a second. So the chart shows rates over
// windows of wall time, its axis follows the bulk of the values rather than
// the largest, and the times per frame are told as percentiles.
#pragma once

#include <cstddef>
#include <vector>

#include "report/csv_reader.h"

namespace report {

// The chart's rates are taken over this many windows of the run's time.
inline constexpr size_t kSpeedWindows = 200;
// A window holds this many frames on average at least; a shorter run gets
// fewer windows.
inline constexpr double kMinWindowFrames = 10;

struct SpeedSeries {
  std::vector<double> x;  // the frame at each point's end, as the records count
  std::vector<double> y;  // frames per second
  bool windowed = false;  // false: each record's own rate
  double window_seconds = 0;
};

// Frames per second over windows of equal wall time, each window's frames
// taken from the records it overlaps in proportion to the time shared (a
// record's frames are spread evenly over its time). Records may close
// intervals of different lengths. When there are no more records than
// windows, each record already spans a window's worth of frames and its own
// rate is drawn instead.
SpeedSeries SpeedOverTime(const std::vector<CsvRecord>& records,
                          size_t windows = kSpeedWindows);

// The value below which a share p (0..1) of the weight lies: the smallest
// value whose cumulated weight reaches p of the total (nearest rank). 0 for
// no values.
double WeightedPercentile(std::vector<std::pair<double, double>> value_and_weight, double p);

struct FrameTimes {
  double median = 0, p95 = 0, p99 = 0, maximum = 0;  // milliseconds per frame
};

// Over the run's frames: each record's frames count at the record's time per
// frame. With a record per frame these are the waits for single frames.
FrameTimes FrameTimesOf(const std::vector<CsvRecord>& records);

// The top of a rate axis that a few spikes do not flatten: the largest value
// when it is within kSpikeMargin of the 99th percentile, else the 99th
// percentile times kSpikeMargin. Values above it are drawn at the edge.
inline constexpr double kSpikeMargin = 1.5;
double ResistantTop(const std::vector<double>& values);

}  // namespace report
