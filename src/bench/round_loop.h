// One round of korbinet-compare's worker: frames requested in the order the
// controller chose, for about the round's seconds, and what the process used
// meanwhile.
#pragma once

#include <algorithm>
#include <cstdint>

#include "bench/frame_requests.h"

namespace bench {

struct RoundFigures {
  uint64_t frames = 0;
  double wall_seconds = 0;
  double cpu_seconds = 0;          // user and kernel time of the whole process
  uint64_t peak_memory_bytes = 0;  // the largest resident size sampled
  int threads = 0;                 // the most threads sampled
};

// What a round reads; only between batches, never per frame.
class RoundProbes {
 public:
  virtual ~RoundProbes() = default;
  virtual double Seconds() = 0;
  virtual double CpuSeconds() = 0;
  virtual uint64_t MemoryBytes() = 0;
  virtual int Threads() = 0;
};

// The performance counter and the platform's process figures.
class SystemRoundProbes final : public RoundProbes {
 public:
  double Seconds() override;
  double CpuSeconds() override;
  uint64_t MemoryBytes() override;
  int Threads() override;
};

// Memory and threads are read at the round's ends and at most this often in
// between: counting threads reads a directory on Linux, which a batch of a
// fast clip should not pay for.
inline constexpr double kRoundSampleSeconds = 0.1;

// Requests source(frame_number(k)) for k = *k, *k + 1, ... in batches of
// interval frames, reading the clock after each batch, until seconds have
// passed (at least one batch). *k is where the next round continues, so a
// worker's rounds walk on through its frame order. Each batch goes through
// RequestFrames, as the frame loop's runs do; any exception leaves at once,
// *k then at the request that failed.
template <class FrameSource, class FrameNumber>
RoundFigures RunRound(const FrameSource& source, const FrameNumber& frame_number, uint64_t* k,
                      uint32_t interval, double seconds, RoundProbes& probes) {
  RoundFigures figures;
  auto sample = [&] {
    figures.peak_memory_bytes = std::max(figures.peak_memory_bytes, probes.MemoryBytes());
    figures.threads = std::max(figures.threads, probes.Threads());
  };
  sample();
  const uint64_t batch = interval > 0 ? interval : 1;
  const double cpu_start = probes.CpuSeconds();
  const double start = probes.Seconds();
  double last_sample = start;
  double now = start;
  do {
    RequestFrames(source, frame_number, *k, *k + batch, k);
    *k += batch;
    figures.frames += batch;
    now = probes.Seconds();
    if (now - last_sample >= kRoundSampleSeconds) {
      sample();
      last_sample = now;
    }
  } while (now - start < seconds);
  figures.wall_seconds = now - start;
  figures.cpu_seconds = probes.CpuSeconds() - cpu_start;
  sample();
  return figures;
}

}  // namespace bench
