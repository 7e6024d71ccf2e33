// What every end-to-end test file uses.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "avisynth_expectations.h"
#include "benchmark_run_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Bytes from a fixed seed, with NUL and 0xFF forced in, so a failure replays.
inline std::string RandomBytes(size_t size, unsigned seed, bool line_ends = true) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(engine() & 0xFF);
  bytes[0] = bytes[size - 1] = '\0';
  bytes[size / 2] = '\xFF';
  if (!line_ends) std::replace(bytes.begin(), bytes.end(), '\n', 'x');
  return bytes;
}
}  // namespace e2e
