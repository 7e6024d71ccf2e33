// The measurement: every frame of the range requested and dropped, a sample
// every interval frames, and a live page at most four times a second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"
#include "bench/frame_range.h"
#include "bench/frame_requests.h"

namespace measure {
class GpuMonitor;
}  // namespace measure

namespace bench {

struct PerformanceSample {
  uint32_t frame = 0;             // the request that closed the interval
  double current_frame_rate = 0;  // over this interval
  double average_frame_rate = 0;  // since the loop started
  uint16_t cpu_usage = 0;
  uint16_t gpu_load = 0;
  uint16_t video_engine_load = 0;
  uint32_t physical_memory = 0;  // MB
  uint32_t virtual_memory = 0;   // MB
  uint16_t thread_count = 0;
};

struct RunStatistics {
  uint32_t frames_processed = 0;
  uint32_t sample_count = 0;
  uint32_t record_count = 0;
  double current_frame_rate = 0;
  double minimum_frame_rate = 1e20;
  double maximum_frame_rate = 0;
  double average_frame_rate = 0;
  uint32_t cpu_sum = 0;
  uint32_t gpu_sum = 0;
  uint32_t video_engine_sum = 0;
  uint32_t cpu_average = 0;
  uint32_t gpu_average = 0;
  uint32_t video_engine_average = 0;
  int64_t elapsed_ms = 0;
  int64_t estimated_ms = 0;
  uint32_t physical_memory = 0;
  uint32_t virtual_memory = 0;
  uint32_t peak_physical_memory = 0;
  uint32_t peak_virtual_memory = 0;
  uint32_t first_frame = 0;
  uint32_t last_frame = 0;  // lowered when the loop is ended early
  // Of the latest sample.
  uint16_t cpu_usage = 0;
  uint16_t thread_count = 0;
};

// The GPU monitor's readings and flags, as the loop last saw them.
struct GpuFigures {
  uint16_t gpu_load = 0;
  uint16_t video_engine_load = 0;
  uint32_t memory_used = 0;
  uint32_t memory_dedicated = 0;
  uint32_t memory_dynamic = 0;
  bool video_engine_available = false;
  bool has_memory_used = false;
  bool has_memory_dedicated = false;
  bool has_memory_dynamic = false;
};
GpuFigures GpuFiguresOf(const measure::GpuMonitor& gpu);

struct ProcessFigures {
  uint16_t cpu_usage = 0;
  uint16_t thread_count = 0;
  uint32_t physical_memory = 0;
  uint32_t virtual_memory = 0;
};

// What the page and the summary show, and when the loop stops.
struct FrameLoopOptions {
  bool display_fps = true;
  bool display_tpf = false;
  bool display_efficiency_index = false;
  bool monitor_gpu = false;
  bool log_estimated_time = false;  // summary only
  int64_t time_limit = -1;  // seconds, -1 for none
  // False when the range prompt already showed "Reading frame(s)...".
  bool show_status = true;
  // Where the run's messages go, for the notice a stop request writes at once.
  bool messages_to_stdout = false;
};

// What the loop leaves behind. The caller owns it, so that after an exception
// the samples and the record count stored so far are still there for the log.
struct FrameLoopState {
  RunStatistics stats;
  std::vector<PerformanceSample> samples;  // stats.record_count of them valid
  uint32_t range_frame_count = 0;
  uint32_t interval = 1;  // as raised by the sizing rule
  GpuFigures gpu;
  // Live page: rows the last page used, and no page drawn yet.
  int32_t line_count = 0;
  bool first_page_pending = true;
  // Cleared just before the first request; the fault handlers read it to
  // decide how to tidy the console.
  bool before_loop = true;
  double start_time = 0;
  double latest_record_time = 0;
  double latest_page_time = 0;
};

// Sampling points, pages and key tests; never touched per frame.
class LoopProbes {
 public:
  virtual ~LoopProbes() = default;
  virtual double Seconds() = 0;
  virtual void RefreshProcess() = 0;
  virtual ProcessFigures Process() = 0;
  virtual void RefreshGpu() = 0;
  virtual GpuFigures Gpu() = 0;
  virtual bool KeyHit() = 0;
  virtual int ReadKey() = 0;
  // A request from outside (Ctrl+C, SIGTERM, ...) kept for the run to end at
  // this check. Asked right after each page.
  virtual bool StopRequestKept() { return false; }
};

// Raises the interval tenfold while the range would need more than 500000
// records.
uint32_t SizedInterval(uint32_t range_frame_count, uint32_t interval);

// Status line, sizing and the zeroed sample array: everything up to the
// monitors' first sample.
void PrepareFrameLoop(const FrameRange& range, uint32_t interval, const FrameLoopOptions& options,
                      FrameLoopState& state, console::Console& console);

// The loop's steps between runs of frame requests (frame_loop.cpp).
void BeginMeasuring(FrameLoopState& state, const FrameLoopOptions& options, LoopProbes& probes);
double TakeSample(FrameLoopState& state, const FrameLoopOptions& options, LoopProbes& probes);
void StoreRecord(FrameLoopState& state, uint32_t frame, double t, const FrameLoopOptions& options);
void DrawPage(FrameLoopState& state, uint32_t frame, double t, const FrameLoopOptions& options,
              console::Console& console);
// Time limit, a request kept from outside, then Esc. Other keys are read and
// dropped.
bool StopRequested(const FrameLoopState& state, const FrameLoopOptions& options,
                   LoopProbes& probes);

// The page's lines, without padding (tests compare them).
std::vector<std::string> PageLines(const FrameLoopState& state, uint32_t frame,
                                   const FrameLoopOptions& options);
// The GPU memory lines that the monitor has readings for (page and summary).
void AppendGpuMemoryLines(const GpuFigures& gpu, std::vector<std::string>* lines);

// avg_fps / cpu_average in the time-per-frame format; "n/a" without CPU time.
std::string EfficiencyIndexText(double average_frame_rate, uint32_t cpu_average);

// Requests frames first..last through source(n), which must drop the frame
// before it returns. Between two samples a frame costs the request and one
// compare. Each run of requests between samples goes through RequestFrames;
// any exception leaves at once with the figures and records stored so far in
// state.
template <class FrameSource>
void RunFrameLoop(FrameSource& source, FrameLoopState& state, const FrameLoopOptions& options,
                  LoopProbes& probes, console::Console& console) {
  BeginMeasuring(state, options, probes);
  RunStatistics& stats = state.stats;
  const uint64_t interval = state.interval;
  const uint32_t count = state.range_frame_count;
  uint32_t current = stats.first_frame;
  while (stats.frames_processed < count) {
    const uint64_t next_multiple = (stats.frames_processed / interval + 1) * interval;
    const uint32_t stop_at =
        static_cast<uint32_t>(next_multiple < count ? next_multiple : count);
    // Locals, not the state's fields: across the opaque request they stay in
    // registers, so a frame costs no more than in a bare loop.
    // On an exception the frames before the failing one still count.
    const uint32_t end = current + (stop_at - stats.frames_processed);
    uint32_t reached = current;
    try {
      RequestFrames(source, [](uint32_t n) { return n; }, current, end, &reached);
    } catch (...) {
      stats.frames_processed += reached - current;
      throw;
    }
    current = end;
    stats.frames_processed = stop_at;
    const uint32_t frame = current - 1;
    const double t = TakeSample(state, options, probes);
    if (stats.frames_processed % interval != 0) continue;  // the range's tail
    StoreRecord(state, frame, t, options);
    if (t - state.latest_page_time < 0.25) continue;
    DrawPage(state, frame, t, options, console);
    if (StopRequested(state, options, probes)) {
      stats.last_frame = frame;
      break;
    }
  }
}

}  // namespace bench
