#include "report/speed_series.h"

#include <gtest/gtest.h>

#include "report/svg_chart.h"

namespace report {
namespace {

CsvRecord At(uint32_t frame, double rate) { return CsvRecord{.frame = frame, .frame_rate = rate}; }

TEST(SpeedOverTime, WindowsShareTheFramesOfRecordsOfAnyLength) {
  // One second each for 20, 20, 10 and 40 frames (the first record's interval
  // is the second's), then a frame that came in a microsecond.
  const std::vector<CsvRecord> records = {At(20, 20), At(40, 20), At(50, 10), At(90, 40), At(91, 1e6)};
  const SpeedSeries two = SpeedOverTime(records, 2);
  ASSERT_TRUE(two.windowed);
  ASSERT_EQ(two.y.size(), 2u);
  // Each window is half of 4.000001 s; the third record straddles both.
  EXPECT_NEAR(two.window_seconds, 2.0000005, 1e-9);
  EXPECT_NEAR(two.y[0], 40.000005 / 2.0000005, 1e-6);
  EXPECT_NEAR(two.y[1], 50.999995 / 2.0000005, 1e-6);
  EXPECT_NEAR(two.x[0], 40.000005, 1e-6);
  EXPECT_NEAR(two.x[1], 91, 1e-6);

  // A window may not hold fewer than 10 frames on average: 91 frames make 9
  // at most, and 5 records no more than that are drawn as they are.
  const SpeedSeries own = SpeedOverTime(records, 200);
  EXPECT_FALSE(own.windowed);
  EXPECT_EQ(own.x, std::vector<double>({20, 40, 50, 90, 91}));
  EXPECT_EQ(own.y, std::vector<double>({20, 20, 10, 40, 1e6}));
}

TEST(SpeedOverTime, ARecordPerFrameUnderPrefetchReadsAsItsSteadyRate) {
  // Pairs of frames: one waited for 40 ms, the next already made.
  std::vector<CsvRecord> records;
  for (uint32_t frame = 1; frame <= 2000; ++frame) records.push_back(At(frame, frame % 2 ? 25.0 : 1e6));
  const SpeedSeries speed = SpeedOverTime(records);
  ASSERT_TRUE(speed.windowed);
  ASSERT_EQ(speed.y.size(), kSpeedWindows);
  for (double rate : speed.y) EXPECT_NEAR(rate, 50, 0.5);
  EXPECT_NEAR(speed.x.back(), 2000, 1e-6);
}

TEST(WeightedPercentile, NearestRankOverWeightsAndOverTheFramesOfRecords) {
  std::vector<std::pair<double, double>> twenty, hundred;
  for (int i = 20; i >= 1; --i) twenty.push_back({i, 1});
  for (int i = 1; i <= 100; ++i) hundred.push_back({i, 1});
  const struct { std::vector<std::pair<double, double>> values; double p, expected; } cases[] = {
      {twenty, 0.0, 1},   {twenty, 0.5, 10},  {twenty, 0.95, 19}, {twenty, 0.99, 20},
      {twenty, 1.0, 20},  {{{5, 90}, {50, 10}}, 0.9, 5}, {{{5, 90}, {50, 10}}, 0.95, 50},
      {hundred, 0.07, 7},  // 0.07 * 100 is a hair above 7 in binary
      {{}, 0.5, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(WeightedPercentile(c.values, c.p), c.expected) << c.p;
  // Frame times count each frame of a record at its time: 4 frames of 20 ms (the first record's interval is the second's), 1 of
  // 1 us, 100 of 5 ms, 14 of 10 ms.
  const FrameTimes t = FrameTimesOf({At(2, 50), At(4, 50), At(5, 1e6), At(105, 200), At(119, 100)});
  EXPECT_EQ(std::vector<double>({t.median, t.p95, t.p99, t.maximum}), std::vector<double>({5, 10, 20, 20}));
}

TEST(ResistantTop, FollowsTheBulkNotASpike) {
  std::vector<double> spiked(199, 100.0);
  spiked.push_back(1e6);
  std::vector<double> rising;
  for (int i = 1; i <= 200; ++i) rising.push_back(i);
  const struct { std::vector<double> values; double top; } cases[] = {
      {spiked, 150},            // the 99th percentile and its margin
      {rising, 200},            // a real climb is shown whole
      {{100, 120, 140}, 140},   // few values: the largest is within the margin
      {{}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ResistantTop(c.values), c.top) << c.values.size();
}

TEST(ChartSvg, MarksValuesBeyondTheLimitAndStartsTheAxisAtZero) {
  Chart chart{"fps", "Frames per second", "fps", {ChartSeries{"", "", false, {10, 400, 700, 1000}, {10, 12, 1e6, 11}}}, 15};
  const std::string svg = ChartSvg(chart);
  EXPECT_NE(svg.find("data-y-top=\"16\" data-beyond=\"1\""), std::string::npos) << svg;
  EXPECT_NE(svg.find(">1 value above 16 fps, up to 1000000.000 fps, drawn on the top edge"), std::string::npos) << svg;
  // The spike's point lies on the top edge, with its marker above it.
  EXPECT_NE(svg.find(" 623.6,34.0 "), std::string::npos) << svg;
  EXPECT_NE(svg.find("<polygon class=\"beyond\" fill=\"\" points=\"623.6,32 619.6,39 627.6,39\"/>"),
            std::string::npos) << svg;
  EXPECT_NE(svg.find("text-anchor=\"middle\">0</text>"), std::string::npos) << svg;
  EXPECT_EQ(svg.find(">-0<"), std::string::npos) << svg;

  chart.y_limit = 0;  // without a limit, the spike sets the axis
  EXPECT_NE(ChartSvg(chart).find("data-beyond=\"0\""), std::string::npos);

  // Each step of the y axis a grid line and a label with the decimals the step needs; the top on the plot's edge.
  chart = Chart{"cpu", "CPU", "%", {ChartSeries{"", "", false, {1, 2}, {0.1, 0.3}}}};
  EXPECT_NE(ChartSvg(chart).find("<line class=\"grid\" x1=\"72\" y1=\"34.0\" x2=\"860\" y2=\"34.0\"/>"
                                 "<text x=\"66\" y=\"38.0\" text-anchor=\"end\">0.30</text>\n"),
            std::string::npos);
}

}  // namespace
}  // namespace report
