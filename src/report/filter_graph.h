// The filter graph AviSynth+ dumps beside a run's log (SCRIPT.graph.dot):
// per node its filter and the frames and bytes of frame buffers it holds.
// The format is the library's, not ours, so it is read defensively: bounded
// in size, every field checked, lines it does not know skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// A graph of any script is far smaller; a larger file is not read.
inline constexpr size_t kMaxGraphFileBytes = 16u << 20;

struct GraphNode {
  std::string id;      // the node's name in the file ("clip3")
  std::string filter;  // the first line of its label
  uint64_t frames = 0;  // summed over the devices the label lists
  uint64_t bytes = 0;
};

struct FilterGraph {
  bool found = false;  // a graph file lies beside the run's files
  std::string note;    // why it was not read, or empty
  std::vector<GraphNode> nodes;  // the nodes that hold memory, in file order
};

// Parses a graph file's text; false with *note (one line) when it is not a
// whole graph: binary bytes, no "digraph" head, or cut before its last "}".
bool ParseFilterGraph(std::string_view text, std::vector<GraphNode>* nodes, std::string* note);

// Reads path when it exists; found stays false when it does not.
FilterGraph ReadFilterGraph(const std::string& path);

// Up to count nodes holding the most bytes, most first; file order among
// equals.
std::vector<GraphNode> TopNodesByBytes(const std::vector<GraphNode>& nodes, size_t count);

}  // namespace report
