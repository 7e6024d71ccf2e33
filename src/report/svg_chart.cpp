#include "report/svg_chart.h"

#include <cmath>

#include "report/html_text.h"
#include "report/series_reduction.h"

namespace report {

namespace {

// Below the x axis's title, which sits at kChartPlotBottom + 36.
constexpr int kLegendTop = 316;
constexpr int kLegendRowHeight = 18;
constexpr int kLegendColumns = 3;
constexpr int kLegendColumnWidth = 262;

}  // namespace

int TickDecimals(double step) {
  int decimals = 0;
  while (decimals < 6 && std::fabs(step - std::round(step)) > 1e-9) {
    step *= 10;
    ++decimals;
  }
  return decimals;
}

std::string YTicksSvg(double top, double step) {
  const double plot_height = kChartPlotBottom - kChartPlotTop;
  // The last tick may pass top by a rounding error; it is drawn at the top.
  auto py = [&](double y) { return kChartPlotBottom - std::fmin(y, top) / top * plot_height; };
  const int decimals = TickDecimals(step);
  std::string svg;
  for (int k = 0; k * step <= top + step * 1e-9; ++k) {
    const double v = k * step;
    const std::string y = FixedText(py(v), 1);
    svg += "<line class=\"grid\" x1=\"" + std::to_string(kChartPlotLeft) + "\" y1=\"" + y +
           "\" x2=\"" + std::to_string(kChartPlotRight) + "\" y2=\"" + y + "\"/>";
    svg += "<text x=\"" + std::to_string(kChartPlotLeft - 6) + "\" y=\"" + FixedText(py(v) + 4, 1) +
           "\" text-anchor=\"end\">" + FixedText(v, decimals) + "</text>\n";
  }
  return svg;
}

std::string YUnitSvg(const std::string& unit) {
  const std::string middle = FixedText((kChartPlotTop + kChartPlotBottom) / 2.0, 1);
  return "<text x=\"14\" y=\"" + middle + "\" text-anchor=\"middle\" transform=\"rotate(-90 14 " + middle +
         ")\">" + unit + "</text>\n";
}

std::string ChartSvgStart(const std::string& id, int height, const std::string& attributes) {
  const std::string width = std::to_string(kChartWidth), tall = std::to_string(height);
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" data-chart=\"" + EscapeHtml(id) +
         "\" width=\"" + width + "\" height=\"" + tall + "\" viewBox=\"0 0 " + width + " " + tall + "\"" +
         attributes + ">\n";
}

std::string ChartTitle(int x, const std::string& title) {
  return "<text class=\"title\" x=\"" + std::to_string(x) + "\" y=\"20\">" + title + "</text>\n";
}

std::string SeriesColour(size_t index) {
  static constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                         "#9467bd", "#8c564b", "#e377c2", "#17becf"};
  return kColours[index % (sizeof kColours / sizeof kColours[0])];
}

double TickStep(double range) {
  if (!(range > 0) || !std::isfinite(range)) return 1;
  const double rough = range / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double fraction = rough / power;
  const double nice = fraction < 1.5 ? 1 : fraction < 3.5 ? 2 : fraction < 7.5 ? 5 : 10;
  return nice * power;
}

std::string ChartSvg(const Chart& chart) {
  double x_min = 0, x_max = 0, y_max = 0;
  bool any = false;
  bool whole = true;  // counts and MB: no ticks between whole numbers
  for (const ChartSeries& s : chart.series) {
    if (s.x.empty()) continue;
    x_min = any ? std::fmin(x_min, s.x.front()) : s.x.front();
    x_max = any ? std::fmax(x_max, s.x.back()) : s.x.back();
    for (double v : s.y) {
      y_max = std::fmax(y_max, v);
      whole = whole && v == std::floor(v);
    }
    any = true;
  }
  const double y_largest = y_max;
  if (chart.y_limit > 0 && y_max > chart.y_limit) y_max = chart.y_limit;
  // A single record still needs an axis with some width.
  if (x_max <= x_min) {
    x_min = x_min >= 1 ? x_min - 1 : 0;
    x_max = x_min + 2;
  }
  const double y_step = whole ? std::fmax(1, TickStep(y_max)) : TickStep(y_max > 0 ? y_max : 1);
  const double y_top = std::ceil((y_max > 0 ? y_max : 1) / y_step - 1e-9) * y_step;
  // Frames are whole numbers; so are the ticks between them.
  const double x_step = std::fmax(1, TickStep(x_max - x_min));
  // The axis starts on a tick: frame 0 for a run over the whole clip.
  x_min = std::floor(x_min / x_step) * x_step;

  const double plot_width = kChartPlotRight - kChartPlotLeft;
  const double plot_height = kChartPlotBottom - kChartPlotTop;
  auto px = [&](double x) { return kChartPlotLeft + (x - x_min) / (x_max - x_min) * plot_width; };
  // Values beyond the axis are drawn on its top edge.
  auto py = [&](double y) { return kChartPlotBottom - std::fmin(y, y_top) / y_top * plot_height; };
  size_t beyond = 0;
  for (const ChartSeries& s : chart.series) {
    for (double v : s.y) beyond += v > y_top;
  }

  const size_t legend_rows = (chart.series.size() + kLegendColumns - 1) / kLegendColumns;
  const int height = kLegendTop + static_cast<int>(legend_rows) * kLegendRowHeight + 4;
  const std::string title = EscapeHtml(chart.title);
  const std::string unit = EscapeHtml(chart.unit);

  std::string svg;
  svg.reserve(4096 + chart.series.size() * 2 * (kChartPlotRight - kChartPlotLeft) * 16);
  svg += ChartSvgStart(chart.id, height,
                       " role=\"img\" aria-label=\"" + title + "\" data-y-top=\"" +
                           FixedText(y_top, TickDecimals(y_step)) + "\" data-beyond=\"" +
                           std::to_string(beyond) + "\"");
  svg += ChartTitle(kChartPlotLeft, title + " (" + unit + ")");
  if (beyond > 0) {
    svg += "<text class=\"beyond\" x=\"" + std::to_string(kChartPlotRight) + "\" y=\"20\" text-anchor=\"end\">" +
           std::to_string(beyond) + (beyond == 1 ? " value" : " values") + " above " +
           FixedText(y_top, TickDecimals(y_step)) + " " + unit + ", up to " + FixedText(y_largest, 3) + " " + unit +
           ", drawn on the top edge (\xe2\x96\xb2)</text>\n";
  }

  // Grid and ticks.
  svg += "<g class=\"axis\">\n" + YTicksSvg(y_top, y_step);
  const int x_decimals = TickDecimals(x_step);
  for (double v = std::ceil(x_min / x_step - 1e-9) * x_step; v <= x_max + x_step * 1e-9;
       v += x_step) {
    const std::string x = FixedText(px(v), 1);
    svg += "<line x1=\"" + x + "\" y1=\"" + std::to_string(kChartPlotBottom) + "\" x2=\"" + x +
           "\" y2=\"" + std::to_string(kChartPlotBottom + 5) + "\"/>";
    svg += "<text x=\"" + x + "\" y=\"" + std::to_string(kChartPlotBottom + 19) +
           "\" text-anchor=\"middle\">" + FixedText(v, x_decimals) + "</text>\n";
  }
  svg += "<line x1=\"" + std::to_string(kChartPlotLeft) + "\" y1=\"" + std::to_string(kChartPlotBottom) +
         "\" x2=\"" + std::to_string(kChartPlotRight) + "\" y2=\"" + std::to_string(kChartPlotBottom) +
         "\"/><line x1=\"" + std::to_string(kChartPlotLeft) + "\" y1=\"" + std::to_string(kChartPlotTop) +
         "\" x2=\"" + std::to_string(kChartPlotLeft) + "\" y2=\"" + std::to_string(kChartPlotBottom) +
         "\"/>\n";
  svg += "<text x=\"" + FixedText((kChartPlotLeft + kChartPlotRight) / 2.0, 1) + "\" y=\"" +
         std::to_string(kChartPlotBottom + 36) + "\" text-anchor=\"middle\">" + EscapeHtml(chart.x_title) + "</text>\n";
  svg += YUnitSvg(unit) + "</g>\n";

  // The lines, one per series, each a pixel column at most twice.
  const size_t columns = static_cast<size_t>(plot_width);
  for (size_t i = 0; i < chart.series.size(); ++i) {
    const ChartSeries& s = chart.series[i];
    const std::vector<ChartPoint> points = ReducedPoints(s.x, s.y, columns);
    std::string attributes = "class=\"series\" data-series=\"" + EscapeHtml(s.name) +
                             "\" stroke=\"" + EscapeHtml(s.colour) + "\"";
    if (s.dashed) attributes += " stroke-dasharray=\"6 3\"";
    svg += "<polyline " + attributes + " points=\"";
    for (size_t k = 0; k < points.size(); ++k) {
      if (k > 0) svg += ' ';
      svg += FixedText(px(points[k].x), 1);
      svg += ',';
      svg += FixedText(py(points[k].y), 1);
    }
    svg += "\"/>\n";
    for (const ChartPoint& p : points) {
      if (!(p.y > y_top)) continue;
      const double x = px(p.x);
      svg += "<polygon class=\"beyond\" fill=\"" + EscapeHtml(s.colour) + "\" points=\"" +
             FixedText(x, 1) + "," + std::to_string(kChartPlotTop - 2) + " " + FixedText(x - 4, 1) + "," +
             std::to_string(kChartPlotTop + 5) + " " + FixedText(x + 4, 1) + "," +
             std::to_string(kChartPlotTop + 5) + "\"/>\n";
    }
    if (points.size() == 1) {
      svg += "<circle cx=\"" + FixedText(px(points[0].x), 1) + "\" cy=\"" +
             FixedText(py(points[0].y), 1) + "\" r=\"3\" fill=\"" + EscapeHtml(s.colour) + "\"/>\n";
    }
  }

  svg += "<g class=\"legend\">\n";
  for (size_t i = 0; i < chart.series.size(); ++i) {
    const ChartSeries& s = chart.series[i];
    const int x = kChartPlotLeft + static_cast<int>(i % kLegendColumns) * kLegendColumnWidth;
    const int y = kLegendTop + static_cast<int>(i / kLegendColumns) * kLegendRowHeight;
    svg += "<line x1=\"" + std::to_string(x) + "\" y1=\"" + std::to_string(y - 4) + "\" x2=\"" +
           std::to_string(x + 24) + "\" y2=\"" + std::to_string(y - 4) + "\" stroke=\"" +
           EscapeHtml(s.colour) + "\"" + (s.dashed ? " stroke-dasharray=\"6 3\"" : "") +
           " stroke-width=\"2\"/>";
    svg += "<text x=\"" + std::to_string(x + 30) + "\" y=\"" + std::to_string(y) + "\">" +
           EscapeHtml(s.name) + "</text>\n";
  }
  svg += "</g>\n</svg>\n";
  return svg;
}

}  // namespace report
