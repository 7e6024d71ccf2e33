// A line chart as inline SVG: series against the frame number (or another
// whole-numbered x), with axes,
// ticks, units and a legend.
#pragma once

#include <string>
#include <vector>

namespace report {

struct ChartSeries {
  std::string name;    // the legend's text
  std::string colour;  // a CSS colour
  bool dashed = false;
  std::vector<double> x;  // frame numbers, ascending
  std::vector<double> y;
};

struct Chart {
  std::string id;     // names the chart in the page (data-chart)
  std::string title;  // shown above the plot
  std::string unit;   // of the y axis
  std::vector<ChartSeries> series;
  // When above 0 and below the largest value: the axis ends here (rounded up
  // to a tick), and values beyond are drawn at its top edge with a marker
  // and counted in a note, so a few spikes cannot flatten the rest.
  double y_limit = 0;
  std::string x_title = "frame";  // below the x axis
};

// Every chart on the page is this wide, and its plot starts this far down,
// below the title line.
inline constexpr int kChartWidth = 880;
inline constexpr int kChartPlotTop = 34;
// The plot's other edges, the same on every chart of a page so that charts
// drawn one above the other line up.
inline constexpr int kChartPlotLeft = 72;
inline constexpr int kChartPlotRight = 860;
inline constexpr int kChartPlotBottom = 254;

// The start tag of a chart's <svg> element, id escaped here; attributes,
// each with its leading space and already escaped, follow the size.
std::string ChartSvgStart(const std::string& id, int height, const std::string& attributes);

// The title line above a plot, from x; title already escaped.
std::string ChartTitle(int x, const std::string& title);

// Colours for runs and series, told apart also by those with common colour
// blindness as far as eight allow; repeats beyond.
std::string SeriesColour(size_t index);

// One <svg> element; every text in it escaped. It carries the axis's top
// as data-y-top and the number of values beyond it as data-beyond.
std::string ChartSvg(const Chart& chart);

// Step between ticks for an axis spanning range: 1, 2 or 5 times a power of
// ten, giving about five ticks.
double TickStep(double range);

// Decimals a tick label needs to tell its step apart.
int TickDecimals(double step);

// The y axis of a plot from kChartPlotTop to kChartPlotBottom: a grid line
// and a label at each step from 0 to top, and the unit (escaped already)
// turned along the axis.
std::string YTicksSvg(double top, double step);
std::string YUnitSvg(const std::string& unit);

}  // namespace report
