#include "bench/frame_loop.h"

#include "measure/gpu_info.h"
#include "text/number_text.h"
#include "text/text.h"

namespace bench {

namespace {

// Shortest time a rate is computed over, so that two readings of the clock
// that (nearly) coincide never divide by zero.
constexpr double kMinimumSeconds = 0.000001;

uint32_t RoundedAverage(uint32_t sum, uint32_t count) {
  return static_cast<uint32_t>(static_cast<double>(sum) / count + 0.5);
}

}  // namespace

GpuFigures GpuFiguresOf(const measure::GpuMonitor& gpu) {
  GpuFigures figures;
  figures.gpu_load = gpu.gpu_load;
  figures.video_engine_load = gpu.video_engine_load;
  figures.memory_used = gpu.memory_used;
  figures.memory_dedicated = gpu.memory_dedicated;
  figures.memory_dynamic = gpu.memory_dynamic;
  figures.video_engine_available = gpu.video_engine_available;
  figures.has_memory_used = gpu.has_memory_used;
  figures.has_memory_dedicated = gpu.has_memory_dedicated;
  figures.has_memory_dynamic = gpu.has_memory_dynamic;
  return figures;
}

uint32_t SizedInterval(uint32_t range_frame_count, uint32_t interval) {
  // An interval of 0 would divide by zero at every frame.
  uint64_t sized = interval == 0 ? 1 : interval;
  while (range_frame_count / sized > 500000) sized *= 10;
  return static_cast<uint32_t>(sized);
}

void PrepareFrameLoop(const FrameRange& range, uint32_t interval, const FrameLoopOptions& options,
                      FrameLoopState& state, console::Console& console) {
  if (options.show_status) console::PrintStatusLine(console, ReadingStatusText(range.count));
  state.range_frame_count = range.count;
  state.interval = SizedInterval(range.count, interval);
  state.samples.assign(range.count / state.interval + 2, PerformanceSample{});
  state.stats = RunStatistics{};
  state.stats.first_frame = range.first;
  state.stats.last_frame = range.last;
}

void BeginMeasuring(FrameLoopState& state, const FrameLoopOptions& options, LoopProbes& probes) {
  state.before_loop = false;
  state.first_page_pending = true;
  state.line_count = 0;
  // Prime the monitors so the first real sample covers the loop only.
  if (options.monitor_gpu) probes.RefreshGpu();
  probes.RefreshProcess();
  state.start_time = probes.Seconds();
  state.latest_record_time = state.start_time;
  state.latest_page_time = state.start_time;
}

double TakeSample(FrameLoopState& state, const FrameLoopOptions& options, LoopProbes& probes) {
  RunStatistics& stats = state.stats;
  const double t = probes.Seconds();
  probes.RefreshProcess();
  const ProcessFigures process = probes.Process();
  stats.sample_count += 1;
  if (options.monitor_gpu) {
    probes.RefreshGpu();
    state.gpu = probes.Gpu();
    stats.gpu_sum += state.gpu.gpu_load;
    stats.gpu_average = RoundedAverage(stats.gpu_sum, stats.sample_count);
    stats.video_engine_sum += state.gpu.video_engine_load;
    stats.video_engine_average = RoundedAverage(stats.video_engine_sum, stats.sample_count);
  }
  const double seconds = t - state.start_time;
  stats.elapsed_ms = static_cast<int64_t>(seconds * 1000.0 + 0.5);
  stats.estimated_ms = static_cast<int64_t>(static_cast<double>(stats.elapsed_ms) *
                                            state.range_frame_count / stats.frames_processed);
  stats.cpu_usage = process.cpu_usage;
  stats.cpu_sum += process.cpu_usage;
  stats.cpu_average = RoundedAverage(stats.cpu_sum, stats.sample_count);
  stats.thread_count = process.thread_count;
  stats.physical_memory = process.physical_memory;
  stats.virtual_memory = process.virtual_memory;
  if (process.physical_memory > stats.peak_physical_memory) {
    stats.peak_physical_memory = process.physical_memory;
  }
  if (process.virtual_memory > stats.peak_virtual_memory) {
    stats.peak_virtual_memory = process.virtual_memory;
  }
  stats.average_frame_rate =
      stats.frames_processed / (seconds > kMinimumSeconds ? seconds : kMinimumSeconds);
  return t;
}

void StoreRecord(FrameLoopState& state, uint32_t frame, double t, const FrameLoopOptions& options) {
  RunStatistics& stats = state.stats;
  const double dt = t - state.latest_record_time;
  stats.current_frame_rate = state.interval / (dt > kMinimumSeconds ? dt : kMinimumSeconds);
  if (stats.current_frame_rate > stats.maximum_frame_rate) {
    stats.maximum_frame_rate = stats.current_frame_rate;
  }
  if (stats.minimum_frame_rate > stats.current_frame_rate) {
    stats.minimum_frame_rate = stats.current_frame_rate;
  }
  // The array has room for every full interval plus two; never write past it.
  if (stats.record_count < state.samples.size()) {
    PerformanceSample& record = state.samples[stats.record_count];
    record.frame = frame;
    record.current_frame_rate = stats.current_frame_rate;
    record.average_frame_rate = stats.average_frame_rate;
    record.cpu_usage = stats.cpu_usage;
    record.gpu_load = options.monitor_gpu ? state.gpu.gpu_load : 0;
    record.video_engine_load = options.monitor_gpu ? state.gpu.video_engine_load : 0;
    record.physical_memory = stats.physical_memory;
    record.virtual_memory = stats.virtual_memory;
    record.thread_count = stats.thread_count;
    stats.record_count += 1;
  }
  state.latest_record_time = t;
}

std::string EfficiencyIndexText(double average_frame_rate, uint32_t cpu_average) {
  if (cpu_average == 0) return "n/a";
  return text::FormatTpf(average_frame_rate / cpu_average);
}

void AppendGpuMemoryLines(const GpuFigures& gpu, std::vector<std::string>* lines) {
  if (gpu.has_memory_used)
    lines->push_back(
        text::Format("GPU memory usage:               %u MB", gpu.memory_used));
  if (gpu.has_memory_dedicated)
    lines->push_back(
        text::Format("GPU memory usage (Dedicated):   %u MB", gpu.memory_dedicated));
  if (gpu.has_memory_dynamic)
    lines->push_back(
        text::Format("GPU memory usage (Dynamic):     %u MB", gpu.memory_dynamic));
}

std::vector<std::string> PageLines(const FrameLoopState& state, uint32_t frame,
                                   const FrameLoopOptions& options) {
  const RunStatistics& s = state.stats;
  std::vector<std::string> lines;
  lines.push_back(text::Format("Frame (current | last):         %u | %u", frame,
                                       s.last_frame));
  if (options.display_fps) {
    lines.push_back(text::Format(
        "FPS (cur | min | max | avg):    %s | %s | %s | %s",
        text::FormatFps(s.current_frame_rate).c_str(),
        text::FormatFps(s.minimum_frame_rate).c_str(),
        text::FormatFps(s.maximum_frame_rate).c_str(),
        text::FormatFps(s.average_frame_rate).c_str()));
  }
  if (options.display_tpf) {
    lines.push_back(text::Format(
        "TPF (cur | max | min | avg):    %s | %s | %s | %s ms",
        text::FormatTpf(1000.0 / s.current_frame_rate).c_str(),
        text::FormatTpf(1000.0 / s.minimum_frame_rate).c_str(),
        text::FormatTpf(1000.0 / s.maximum_frame_rate).c_str(),
        text::FormatTpf(1000.0 / s.average_frame_rate).c_str()));
  }
  lines.push_back(text::Format("Memory usage (phys | virt):     %u | %u MB",
                                       s.physical_memory, s.virtual_memory));
  lines.push_back(text::Format("Thread count:                   %u",
                                       static_cast<unsigned>(s.thread_count)));
  lines.push_back(text::Format("CPU usage (current | average):  %u%% | %u%%",
                                       static_cast<unsigned>(s.cpu_usage), s.cpu_average));
  if (options.display_efficiency_index) {
    lines.push_back("Efficiency index:               " +
                    EfficiencyIndexText(s.average_frame_rate, s.cpu_average));
  }
  if (options.monitor_gpu) {
    const GpuFigures& gpu = state.gpu;
    lines.push_back("");
    lines.push_back(text::Format("GPU usage (current | average):  %u%% | %u%%",
                                         static_cast<unsigned>(gpu.gpu_load), s.gpu_average));
    if (gpu.video_engine_available) {
      lines.push_back(text::Format("Video engine load (cur | avg):  %u%% | %u%%",
                                           static_cast<unsigned>(gpu.video_engine_load),
                                           s.video_engine_average));
    }
    AppendGpuMemoryLines(gpu, &lines);
  }
  lines.push_back("");
  lines.push_back(text::Format(
      "Time (elapsed | estimated):     %s | %s",
      text::FormatDuration(s.elapsed_ms, false).c_str(),
      text::FormatDuration(s.estimated_ms, false).c_str()));
  return lines;
}

void DrawPage(FrameLoopState& state, uint32_t frame, double t, const FrameLoopOptions& options,
              console::Console& console) {
  state.latest_page_time = t;
  if (!state.first_page_pending) {
    console.MoveUp(state.line_count);
    state.line_count = 0;
  }
  state.first_page_pending = false;
  for (const std::string& line : PageLines(state, frame, options)) {
    // Blank lines are bare line feeds; they hold no text to cover.
    if (line.empty()) {
      console.Print(console::kColorNone, "\n");
    } else {
      console::PrintPaddedLine(console, console::kColorValue, line);
    }
    state.line_count += 1;
  }
  console.Print(console::kColorNone, "\nPress 'Esc' to cancel the process...\n\n");
  state.line_count += 3;
}

bool StopRequested(const FrameLoopState& state, const FrameLoopOptions& options,
                   LoopProbes& probes) {
  if (options.time_limit != -1 && state.stats.elapsed_ms >= options.time_limit * 1000) {
    return true;
  }
  if (probes.StopRequestKept()) return true;
  if (probes.KeyHit()) return probes.ReadKey() == 27;
  return false;
}

}  // namespace bench
