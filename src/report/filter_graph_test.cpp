#include "report/filter_graph.h"

#include <gtest/gtest.h>

namespace report {
namespace {

// From a Prefetch(2) run on AviSynth+ 3.7.5, as it wrote it.
const char kRealGraph[] =
    "digraph avs_filter_graph {\n"
    "node [ shape = box ];\n"
    "clip6 [label = \"ColorBars\"];\n"
    "clip5 [label = \"Trim\"];\n"
    "clip6 -> clip5;\n"
    "clip4 [label = \"Spline36Resize\\nCPU: 2 frames, 491,520 bytes\"];\n"
    "clip5 -> clip4;\n"
    "clip3 [label = \"Blur\\nCPU: 1 frames, 122,880 bytes\"];\n"
    "clip4 -> clip3;\n"
    "clip2 [label = \"Invert\\nCPU: 9 frames, 1,105,920 bytes\"];\n"
    "clip3 -> clip2;\n"
    "clip1 [label = \"Prefetch\"];\n"
    "clip2 -> clip1;\n"
    "GOAL;\n"
    "clip1 -> GOAL\n"
    "}\n";

// id|filter|frames|bytes per node.
std::string NodesText(const std::vector<GraphNode>& nodes) {
  std::string text;
  for (const GraphNode& n : nodes)
    text += n.id + "|" + n.filter + "|" + std::to_string(n.frames) + "|" + std::to_string(n.bytes) + "\n";
  return text;
}

TEST(FilterGraph, ReadsNodesThatHoldMemory) {
  const struct { const char* what; std::string text, nodes; } cases[] = {
      {"a real graph", kRealGraph,
       "clip4|Spline36Resize|2|491520\nclip3|Blur|1|122880\nclip2|Invert|9|1105920\n"},
      {"devices summed, escapes undone, markup kept as data",
       "digraph g {\r\n"
       "n1 [label = \"Say \\\"</script>\\\"\\nCPU: 1 frames, 10 bytes\\nCUDA: 2 frames, 5 bytes\"];\r\n"
       "}\r\n",
       "n1|Say \"</script>\"|3|15\n"},
      {"hostile lines skipped, the rest kept",
       "digraph g {\n"
       "n1 [label = \"Huge\\nCPU: 1 frames, 99999999999999999999999 bytes\"];\n"
       "n2 [label = \"NoEnd\\nCPU: 1 frames, 10 bytes];\n"
       "n3 [label = NoQuotes];\n"
       "n4 [label = \"Odd\\nCPU: one frames, 10 bytes\\nCPU: 1 frames, ,10 bytes\"];\n"
       "<n5> [label = \"BadId\\nCPU: 1 frames, 10 bytes\"];\n"
       "n6 [label = \"Sum\\nA: 4611686018427387904 frames, 1 bytes\\nB: 1 frames, 1 bytes\"];\n"
       "n7 [label = \"Fine\\nCPU: 2 frames, 1,000 bytes\"];\n"
       "}\n",
       "n7|Fine|2|1000\n"},
  };
  for (const auto& c : cases) {
    std::vector<GraphNode> nodes;
    std::string note;
    EXPECT_TRUE(ParseFilterGraph(c.text, &nodes, &note)) << c.what;
    EXPECT_EQ(note, "") << c.what;
    EXPECT_EQ(NodesText(nodes), c.nodes) << c.what;
  }
}

TEST(FilterGraph, RefusesWhatIsNoWholeGraph) {
  const std::string real = kRealGraph;
  const struct { std::string text, note; } cases[] = {
      {real.substr(0, real.find("clip2 [")), "the graph file ends before its graph does; it was not read."},
      {real.substr(0, real.size() / 2), "the graph file ends before its graph does; it was not read."},
      {"", "the graph file is not a filter graph; it was not read."},
      {"graph g {\n}\n", "the graph file is not a filter graph; it was not read."},
      {"digraph g {\nn1 [label = \"A\\nCPU: 1 frames, 1 bytes\"];\n" + std::string("\0\x01\n}\n", 5),
       "the graph file holds binary data; it was not read."},
  };
  for (const auto& c : cases) {
    std::vector<GraphNode> nodes{GraphNode{}};
    std::string note;
    EXPECT_FALSE(ParseFilterGraph(c.text, &nodes, &note)) << c.note;
    EXPECT_EQ(note, c.note);
    EXPECT_TRUE(nodes.empty());
  }
}

TEST(FilterGraph, ListsTheTopByBytesInFileOrderAmongEquals) {
  std::vector<GraphNode> nodes;
  for (uint64_t i = 0; i < 12; ++i) nodes.push_back({"n" + std::to_string(i), "F", 1, i % 4});
  std::string ids;
  for (const GraphNode& n : TopNodesByBytes(nodes, 10)) ids += n.id + " ";
  EXPECT_EQ(ids, "n3 n7 n11 n2 n6 n10 n1 n5 n9 n0 ");
}

}  // namespace
}  // namespace report
