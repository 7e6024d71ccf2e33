// What a benchmark run prints and writes whose figures vary from run to run:
// patterns for its numbers, and scripts of a known cost per frame.
#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace e2e {

// A clip whose every frame busy-waits `microseconds`: the analysis pass reads
// it in frames x microseconds (at most 5 s), so its interval is predictable.
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

// Milliseconds of a "hh:mm:ss.mmm" duration.
inline long long DurationMs(const std::string& text) {
  std::smatch m;
  static const std::regex form(R"((\d+):(\d{2}):(\d{2})\.(\d{3}))");
  if (!std::regex_search(text, m, form)) return -1;
  return ((std::stoll(m[1]) * 60 + std::stoll(m[2])) * 60 + std::stoll(m[3])) * 1000 + std::stoll(m[4]);
}

// The summary's first line, "N (first - last)", taken apart.
struct FramesProcessed {
  bool found = false;
  unsigned count = 0;
  unsigned first = 0;
  unsigned last = 0;
};

inline FramesProcessed ParseFramesProcessed(const std::string& text) {
  static const std::regex form(R"(Frames processed:               (\d+) \((\d+) - (\d+)\))");
  std::smatch m;
  FramesProcessed result;
  if (!std::regex_search(text, m, form)) return result;
  result.found = true;
  result.count = static_cast<unsigned>(std::stoul(m[1]));
  result.first = static_cast<unsigned>(std::stoul(m[2]));
  result.last = static_cast<unsigned>(std::stoul(m[3]));
  return result;
}

}  // namespace e2e
