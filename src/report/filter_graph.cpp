#include "report/filter_graph.h"

#include <algorithm>
#include <fstream>

#include "platform/files.h"

namespace report {

namespace {

// A node's name as the library writes it: letters, digits, underscores.
constexpr size_t kMaxIdLength = 64;
constexpr uint64_t kMaxFigure = uint64_t{1} << 62;  // sums of two stay in range

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// "1,105,920" or "9": digits, grouped by commas or not; false beyond
// kMaxFigure.
bool ParseGrouped(std::string_view text, uint64_t* value) {
  if (text.empty() || text.front() == ',' || text.back() == ',') return false;
  uint64_t v = 0;
  for (const char c : text) {
    if (c == ',') continue;
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > kMaxFigure) return false;
  }
  *value = v;
  return true;
}

// One device's line of a label: "CPU: 9 frames, 1,105,920 bytes".
bool ParseMemoryLine(std::string_view text, uint64_t* frames, uint64_t* bytes) {
  const size_t colon = text.find(": ");
  if (colon == text.npos) return false;
  text.remove_prefix(colon + 2);
  const size_t frames_end = text.find(" frames, ");
  if (frames_end == text.npos || text.size() < 6 || text.substr(text.size() - 6) != " bytes")
    return false;
  const std::string_view frame_text = text.substr(0, frames_end);
  const size_t bytes_start = frames_end + 9;
  if (bytes_start > text.size() - 6) return false;
  return ParseGrouped(frame_text, frames) &&
         ParseGrouped(text.substr(bytes_start, text.size() - 6 - bytes_start), bytes);
}

// `ID [label = "..."];` with the label's DOT escapes undone; "\n" (the two
// characters) separates its lines. False for any other line.
bool ParseNodeLine(std::string_view line, std::string* id, std::vector<std::string>* label) {
  const size_t id_end = line.find(' ');
  if (id_end == 0 || id_end == line.npos || id_end > kMaxIdLength) return false;
  for (const char c : line.substr(0, id_end)) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_';
    if (!word) return false;
  }
  constexpr std::string_view kOpen = " [label = \"";
  if (!line.substr(id_end).starts_with(kOpen)) return false;
  *id = std::string(line.substr(0, id_end));
  label->assign(1, std::string());
  size_t i = id_end + kOpen.size();
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\') {
      label->back() += line[i];
      continue;
    }
    if (++i == line.size()) return false;
    if (line[i] == 'n') {
      label->emplace_back();
    } else {
      label->back() += line[i];  // \" and \\ stand for the character
    }
  }
  return i < line.size() && line.substr(i) == "\"];";
}

}  // namespace

bool ParseFilterGraph(std::string_view text, std::vector<GraphNode>* nodes, std::string* note) {
  nodes->clear();
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\n' && c != '\r' && c != '\t') {
      *note = "the graph file holds binary data; it was not read.";
      return false;
    }
  }
  bool head = false, closed = false;
  std::vector<std::string> label;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == text.npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (!head) {
      if (line.empty()) continue;
      if (!line.starts_with("digraph ")) break;
      head = true;
      continue;
    }
    closed = line == "}";
    if (closed) break;
    GraphNode node;
    if (!ParseNodeLine(line, &node.id, &label)) continue;  // edges and what else the library adds
    node.filter = label[0];
    bool holds = false;
    for (size_t i = 1; i < label.size(); ++i) {
      uint64_t frames = 0, bytes = 0;
      if (!ParseMemoryLine(label[i], &frames, &bytes)) continue;
      node.frames += frames;
      node.bytes += bytes;
      holds = true;
      // Devices beyond a few would only add up to nonsense; stay in range.
      if (node.bytes > kMaxFigure || node.frames > kMaxFigure) {
        holds = false;
        break;
      }
    }
    if (holds && node.bytes > 0) nodes->push_back(std::move(node));
  }
  if (!head) {
    *note = "the graph file is not a filter graph; it was not read.";
  } else if (!closed) {
    *note = "the graph file ends before its graph does; it was not read.";
  } else {
    return true;
  }
  nodes->clear();
  return false;
}

FilterGraph ReadFilterGraph(const std::string& path) {
  FilterGraph graph;
  if (!platform::FileExists(path)) return graph;
  graph.found = true;
  std::ifstream in(path, std::ios::binary);
  std::string content;
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size >= 0 && static_cast<unsigned long long>(size) > kMaxGraphFileBytes) {
      graph.note = "the graph file is larger than 16 MB; it was not read.";
      return graph;
    }
    if (size >= 0 && in) {
      content.resize(static_cast<size_t>(size));
      in.read(content.data(), size);
    }
  }
  if (!in) {
    graph.note = "the graph file cannot be read.";
    return graph;
  }
  ParseFilterGraph(content, &graph.nodes, &graph.note);
  return graph;
}

std::vector<GraphNode> TopNodesByBytes(const std::vector<GraphNode>& nodes, size_t count) {
  std::vector<GraphNode> top = nodes;
  std::stable_sort(top.begin(), top.end(),
                   [](const GraphNode& a, const GraphNode& b) { return a.bytes > b.bytes; });
  if (top.size() > count) top.resize(count);
  return top;
}

}  // namespace report
