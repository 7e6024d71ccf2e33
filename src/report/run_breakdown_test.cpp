#include "report/run_breakdown.h"

#include <gtest/gtest.h>

namespace report {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(RunBreakdown, StageTableAndBarsCarryNamesAsData) {
  StageTimes times;
  times.summed_over_threads = true;
  times.rows = {{"resize", 2000, 3.0, 4.0, 75.0},
                {"blur \"x\" 100% </script>" + std::string(40, 'y'), 2000, 1.5, 1.5, 25.0}};
  times.unreadable_rows = 1;
  const std::string html = StageTimesHtml(times, "h2");
  EXPECT_EQ(Count(html, "</script>"), 0u) << html;
  EXPECT_EQ(Count(html, "blur &quot;x&quot; 100% &lt;/script&gt;"), 2u) << html;  // table, bar
  EXPECT_NE(html.find("<td>2000</td><td>3.000</td><td>4.000</td><td>75.0 %</td>"), std::string::npos);
  EXPECT_NE(html.find("Summed over threads, so shares can exceed 100 %."), std::string::npos);
  EXPECT_NE(html.find("1 row(s) of the log's stage table could not be read"), std::string::npos);
  // Bars in proportion to self time: the longest spans the plot, 560 wide.
  EXPECT_NE(html.find("width=\"560.0\""), std::string::npos);
  EXPECT_NE(html.find("width=\"280.0\""), std::string::npos);
  EXPECT_EQ(StageTimesHtml(StageTimes{}, "h2"), "");
}

TEST(RunBreakdown, MemoryTableListsTheTopTenOrSaysWhyNot) {
  FilterGraph graph;
  graph.found = true;
  for (uint64_t i = 1; i <= 11; ++i) graph.nodes.push_back({"clip" + std::to_string(i), "F<" + std::to_string(i) + ">", i, i << 20});
  const std::string html = MemoryPerFilterHtml(graph, "a&b.graph.dot", "h3");
  EXPECT_EQ(Count(html, "<tr>"), 11u);  // heads and ten nodes
  EXPECT_NE(html.find("<tr><td class=\"label\">F&lt;11&gt;</td><td class=\"label\">clip11</td>"
                      "<td>11</td><td>11,534,336</td><td>11.0</td></tr>"),
            std::string::npos) << html;
  EXPECT_EQ(html.find("clip1<"), std::string::npos);  // the smallest is left out
  EXPECT_NE(html.find("(a&amp;b.graph.dot)"), std::string::npos);

  graph.note = "the graph file is not a filter graph; it was not read.";
  EXPECT_EQ(MemoryPerFilterHtml(graph, "x", "h2"),
            "<h2>Memory per filter</h2>\n<p class=\"note\">" + graph.note + "</p>\n");
  EXPECT_EQ(MemoryPerFilterHtml(FilterGraph{}, "x", "h2"), "");
}

}  // namespace
}  // namespace report
