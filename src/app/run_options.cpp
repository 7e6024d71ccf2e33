#include "app/run_options.h"

namespace app {

console::ConsoleOptions ConsoleOptionsFrom(const Settings& settings) {
  console::ConsoleOptions options;
  options.use_color = settings.UseColor;
  options.pause_before_exit = settings.PauseBeforeExit;
  options.to_stdout = settings.ConUseSTDOUT;
  return options;
}

bench::FrameLoopOptions FrameLoopOptionsFrom(const Settings& settings) {
  bench::FrameLoopOptions options;
  options.display_fps = settings.DisplayFPS;
  options.display_tpf = settings.DisplayTPF;
  options.display_efficiency_index = settings.DisplayEfficiencyIndex;
  options.monitor_gpu = settings.MonitorGPULoad;
  options.log_estimated_time = settings.LogEstimatedTime;
  options.time_limit = settings.TimeLimit;
  options.messages_to_stdout = settings.ConUseSTDOUT;
  return options;
}

bench::RequestedRange RequestedRangeFrom(const Settings& settings) {
  return bench::RequestedRange{settings.FrameRangeFirst, settings.FrameRangeLast};
}

records::RecordOptions RecordOptionsFrom(const Settings& settings, bool video_engine_available) {
  records::RecordOptions options;
  options.monitor_gpu = settings.MonitorGPULoad;
  options.video_engine_available = video_engine_available;
  return options;
}

records::ReportOptions ReportOptionsFrom(const Settings& settings, const std::string& program_version,
                                const std::string& switches) {
  records::ReportOptions options;
  options.program_version = program_version;
  options.switches = switches;
  options.monitor_gpu = settings.MonitorGPULoad;
  return options;
}

}  // namespace app
