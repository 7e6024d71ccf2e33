// Patterns for a run's varying figures, and scripts of a known cost per frame.
#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace e2e {

// Every frame busy-waits `microseconds`, so the analysis pass gives a predictable interval.
inline std::string SpinClip(int frames, int microseconds) {
  return "BlankClip(length=" + std::to_string(frames) + ", width=64, height=48)\nSpin(" +
         std::to_string(microseconds) + ")\n";
}

// Values of FormatFps, FormatTpf and FormatDuration (leading spaces removed).
inline const std::string kRate = R"(\d+(\.\d{1,4})?)";
inline const std::string kDuration = R"(\d{2,}:\d{2}:\d{2}\.\d{3})";

inline bool Matches(const std::string& text, const std::string& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

// Escapes a fixed text for use inside a pattern.
inline std::string Literal(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// The pieces between separators; a final separator ends the last piece.
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find(separator, start), text.size());
    pieces.push_back(text.substr(start, end - start));
  }
  return pieces;
}
inline std::vector<std::string> SplitLines(const std::string& text) { return Split(text, '\n'); }

// The summary's first line, "N (first - last)", taken apart.
struct FramesProcessed {
  bool found = false;
  unsigned count = 0, first = 0, last = 0;
};

inline FramesProcessed ParseFramesProcessed(const std::string& text) {
  static const std::regex form(R"(Frames processed:               (\d+) \((\d+) - (\d+)\))");
  std::smatch m;
  if (!std::regex_search(text, m, form)) return {};
  const auto number = [&](int i) { return static_cast<unsigned>(std::stoul(m[i])); };
  return {true, number(1), number(2), number(3)};
}

}  // namespace e2e
