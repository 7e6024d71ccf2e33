// Carries a source's readings into the section: a failed figure keeps its
// last good value, and a source that gives no good reading for a while is
// given up.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gpu_source.h"
#include "section_writer.h"

namespace gpu_publisher {

constexpr uint32_t kGiveUpAfterMs = 5000;

enum class RefreshResult { kGood, kFailed, kGaveUp };

class SensorRefresher {
 public:
  // Publishes the sensors that the first, good, reading holds: a card has
  // the same figures for as long as it runs.
  SensorRefresher(GpuSource* source, SectionWriter* writer, const Readings& first, uint32_t now_ms);

  RefreshResult Refresh(uint32_t now_ms);

  unsigned failures() const { return failures_; }
  // Failed readings since the last good one.
  unsigned failures_in_a_row() const { return in_a_row_; }
  const std::string& last_error() const { return last_error_; }

 private:
  GpuSource* source_;
  SectionWriter* writer_;
  std::vector<std::pair<Sensor, size_t>> published_;  // sensor, writer index
  uint32_t last_good_ms_;
  unsigned failures_ = 0;
  unsigned in_a_row_ = 0;
  std::string last_error_;
};

}  // namespace gpu_publisher
