// What every end-to-end test file uses.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What every piped run on the standard library prints first.
inline const std::string kStart =
    "\nKorbinet 2.1.6 (x64)\n\rQuery Avisynth info...\r\r\r\rReference Frame Server 1.0.0 (x86_64) (1.0.0.0)\n";

// Every frame busy-waits `microseconds`, so the analysis pass gives a predictable interval.
inline std::string SpinClip(int frames, int microseconds) {
  return "BlankClip(length=" + std::to_string(frames) + ", width=64, height=48)\nSpin(" + std::to_string(microseconds) + ")\n";
}

// Rates and durations as the program formats them (leading spaces removed).
inline const std::string kRate = R"(\d+(\.\d{1,4})?)";
inline const std::string kDuration = R"(\d{2,}:\d{2}:\d{2}\.\d{3})";

inline bool Matches(const std::string& text, const std::string& pattern) { return std::regex_match(text, std::regex(pattern)); }

// Escapes a fixed text for use inside a pattern.
inline std::string Literal(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// The pieces between separators; a final separator ends the last piece.
inline std::vector<std::string> Split(const std::string& text, char separator = '\n') {
  std::vector<std::string> pieces;
  std::istringstream in(text);
  for (std::string piece; std::getline(in, piece, separator);) pieces.push_back(piece);
  return pieces;
}

}  // namespace e2e
