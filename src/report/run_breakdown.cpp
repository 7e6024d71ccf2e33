#include "report/run_breakdown.h"

#include <algorithm>
#include <cmath>

#include "report/html_text.h"
#include "report/svg_chart.h"

namespace report {

namespace {

constexpr int kBarLeft = 240;
constexpr int kBarRight = 800;
constexpr int kBarRowHeight = 22;
std::string Cell(const std::string& text) { return "<td>" + text + "</td>"; }

std::string Grouped(uint64_t value) {
  std::string digits = std::to_string(value), text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace

std::string ShownName(const std::string& name) {
  if (name.size() <= kShownNameBytes) return name;
  size_t cut = kShownNameBytes;
  // Not inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut) + "...";
}

std::string StageTimesHtml(const StageTimes& times, const std::string& heading) {
  if (times.rows.empty() && times.unreadable_rows == 0) return std::string();
  std::string html = "<" + heading + ">Stage times</" + heading + ">\n";
  if (times.summed_over_threads) {
    html += "<p>Summed over threads, so shares can exceed 100 %.</p>\n";
  }
  if (!times.rows.empty()) {
    html += "<table class=\"figures stages\">\n<tr><th>Stage</th><th>Calls</th>"
            "<th>Self ms/frame</th><th>Incl ms/frame</th><th>Share</th></tr>\n";
    for (const StageRow& row : times.rows) {
      html += "<tr><td class=\"label\">" + EscapeHtml(row.name) + "</td>" +
              Cell(std::to_string(row.calls)) + Cell(FixedText(row.self_ms, 3)) +
              Cell(FixedText(row.incl_ms, 3)) + Cell(FixedText(row.share, 1) + " %") + "</tr>\n";
    }
    html += "</table>\n" + StageChartSvg(times);
  }
  if (times.unreadable_rows > 0) {
    html += "<p class=\"note\">" + std::to_string(times.unreadable_rows) +
            " row(s) of the log's stage table could not be read and are left out.</p>\n";
  }
  return html;
}

std::string StageChartSvg(const StageTimes& times) {
  double top = 0;
  for (const StageRow& row : times.rows) top = std::max(top, row.self_ms);
  const int height = kChartPlotTop + kBarRowHeight * static_cast<int>(times.rows.size()) + 10;
  std::string svg = ChartSvgStart("stages", height, "");
  svg += ChartTitle(kBarLeft, "Self time per stage (ms/frame)");
  for (size_t i = 0; i < times.rows.size(); ++i) {
    const StageRow& row = times.rows[i];
    const int y = kChartPlotTop + kBarRowHeight * static_cast<int>(i);
    const double length = top > 0 ? (kBarRight - kBarLeft) * row.self_ms / top : 0;
    svg += "<text x=\"" + std::to_string(kBarLeft - 6) + "\" y=\"" + std::to_string(y + 14) +
           "\" text-anchor=\"end\">" + EscapeHtml(ShownName(row.name)) + "</text>\n";
    svg += "<rect x=\"" + std::to_string(kBarLeft) + "\" y=\"" + std::to_string(y + 3) +
           "\" width=\"" + FixedText(length, 1) + "\" height=\"" +
           std::to_string(kBarRowHeight - 6) + "\" fill=\"" + SeriesColour(0) + "\"/>\n";
    svg += "<text x=\"" + FixedText(kBarLeft + length + 4, 1) + "\" y=\"" +
           std::to_string(y + 14) + "\">" + FixedText(row.self_ms, 3) + "</text>\n";
  }
  return svg + "</svg>\n";
}

std::string MemoryPerFilterHtml(const FilterGraph& graph, const std::string& graph_path,
                                const std::string& heading) {
  if (!graph.found) return std::string();
  std::string html = "<" + heading + ">Memory per filter</" + heading + ">\n";
  if (!graph.note.empty()) return html + "<p class=\"note\">" + EscapeHtml(graph.note) + "</p>\n";
  const std::vector<GraphNode> top = TopNodesByBytes(graph.nodes, kListedGraphNodes);
  if (top.empty()) return html + "<p>No node of the filter graph holds frames.</p>\n";
  html += "<p>The nodes of the filter graph (" + EscapeHtml(graph_path) +
          ") that hold the most frame buffers after the run, most bytes first.</p>\n";
  html += "<table class=\"figures graph\">\n<tr><th>Filter</th><th>Node</th><th>Frames held</th>"
          "<th>Bytes</th><th>MB</th></tr>\n";
  for (const GraphNode& node : top) {
    html += "<tr><td class=\"label\">" + EscapeHtml(node.filter) + "</td><td class=\"label\">" +
            EscapeHtml(node.id) + "</td>" + Cell(std::to_string(node.frames)) +
            Cell(Grouped(node.bytes)) +
            Cell(FixedText(static_cast<double>(node.bytes) / (1024.0 * 1024.0), 1)) + "</tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace report
