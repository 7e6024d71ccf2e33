#include "bench/run_summary.h"

#include <vector>

#include "records/record_format.h"
#include "text/number_text.h"
#include "text/text.h"

namespace bench {

namespace {

// A console-only blank line is an empty entry.
std::vector<std::string> SummaryLines(const FrameLoopState& state, const SummaryOptions& options) {
  const RunStatistics& s = state.stats;
  std::vector<std::string> lines;
  lines.push_back(FramesProcessedLine(s));
  if (options.display_fps) {
    lines.push_back(text::Format("FPS (min | max | average):      %s | %s | %s",
                                         text::FormatFps(s.minimum_frame_rate).c_str(),
                                         text::FormatFps(s.maximum_frame_rate).c_str(),
                                         text::FormatFps(s.average_frame_rate).c_str()));
  }
  if (options.display_tpf) {
    lines.push_back(text::Format("TPF (max | min | average):      %s | %s | %s ms",
                                         text::FormatTpf(1000.0 / s.minimum_frame_rate).c_str(),
                                         text::FormatTpf(1000.0 / s.maximum_frame_rate).c_str(),
                                         text::FormatTpf(1000.0 / s.average_frame_rate).c_str()));
  }
  lines.push_back(text::Format("Memory usage (phys | virt):     %u | %u MB",
                                       s.peak_physical_memory, s.peak_virtual_memory));
  lines.push_back(text::Format("Thread count:                   %u",
                                       static_cast<unsigned>(s.thread_count)));
  lines.push_back(text::Format("CPU usage (average):            %u%%", s.cpu_average));
  if (options.display_efficiency_index) {
    lines.push_back("Efficiency index:               " +
                    EfficiencyIndexText(s.average_frame_rate, s.cpu_average));
  }
  if (options.monitor_gpu) {
    const GpuFigures& gpu = state.gpu;
    lines.push_back("");
    lines.push_back(text::Format("GPU usage (average):            %u%%", s.gpu_average));
    if (gpu.video_engine_available) {
      lines.push_back(text::Format("Video engine load (average):    %u%%",
                                           s.video_engine_average));
    }
    AppendGpuMemoryLines(gpu, &lines);
  }
  lines.push_back("");
  if (options.log_estimated_time && s.frames_processed < state.range_frame_count) {
    lines.push_back(text::Format("Time (elapsed | estimated):     %s | %s",
                                         text::FormatDuration(s.elapsed_ms, false).c_str(),
                                         text::FormatDuration(s.estimated_ms, false).c_str()));
  } else {
    lines.push_back(text::Format("Time (elapsed):                 %s",
                                         text::FormatDuration(s.elapsed_ms, false).c_str()));
  }
  return lines;
}

}  // namespace

std::string FramesProcessedLine(const RunStatistics& s) {
  if (s.first_frame == s.last_frame && s.first_frame == 0) {
    return text::Format("Frames processed:               %u", s.frames_processed);
  }
  if (s.first_frame == s.last_frame) {
    return text::Format("Frames processed:               %u (%u)", s.frames_processed,
                                s.first_frame);
  }
  return text::Format("Frames processed:               %u (%u - %u)", s.frames_processed,
                              s.first_frame, s.last_frame);
}

void PrintRunSummary(const FrameLoopState& state, const SummaryOptions& options,
                     std::string* report, console::Console& console) {
  report->append("\n\n" + std::string(records::kRuntimeInfoSection) + "\n");
  if (state.stats.frames_processed < state.interval) {
    console::PrintPaddedLine(console, console::kColorError, kRangeTooShortText);
    report->append(kRangeTooShortText);
    return;
  }
  if (!state.first_page_pending) console.MoveUp(state.line_count);
  for (const std::string& line : SummaryLines(state, options)) {
    if (line.empty()) {
      console.Print(console::kColorNone, "\n");
      continue;
    }
    console::PrintPaddedLine(console, console::kColorValue, line);
    report->append(line);
    report->append("\n");
  }
  console::PrintPaddedLine(console, console::kColorNone, std::string());
  console::PrintPaddedLine(console, console::kColorNone, std::string());
  console.MoveUp(2);
}

}  // namespace bench
