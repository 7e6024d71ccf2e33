// The run's configuration, and each layer's options taken from it, so that
// no layer below the program reads the settings record.
#pragma once

#include <string>

#include "app/command_line.h"
#include "settings_file/settings.h"
#include "bench/frame_loop.h"
#include "bench/frame_range.h"
#include "console/console.h"
#include "records/record_files.h"
#include "records/script_report.h"

namespace app {

// The settings file's values, as the whole program reads them.
using settings_file::Settings;

// The settings file with the switches and the start's answers over it: built
// once at the top, then only read.
struct RunConfig {
  Settings settings;
  CommandLineOptions command_line;
  std::string program_version;
};

console::ConsoleOptions ConsoleOptionsFrom(const Settings& settings);
bench::FrameLoopOptions FrameLoopOptionsFrom(const Settings& settings);
bench::RequestedRange RequestedRangeFrom(const Settings& settings);
// video_engine_available: the GPU monitor's flag (0 without a monitor).
records::RecordOptions RecordOptionsFrom(const Settings& settings, bool video_engine_available);
records::ReportOptions ReportOptionsFrom(const Settings& settings, const std::string& program_version,
                                const std::string& switches);

}  // namespace app
