// Each layer's options, taken from the settings at the top, so that no layer
// below the program reads the settings record.
#pragma once

#include <string>

#include "app/settings.h"
#include "bench/frame_loop.h"
#include "bench/frame_range.h"
#include "console/console_utils.h"
#include "records/record_files.h"
#include "records/script_report.h"

ConsoleOptions ConsoleOptionsFrom(const Settings& settings);
FrameLoopOptions FrameLoopOptionsFrom(const Settings& settings);
RequestedRange RequestedRangeFrom(const Settings& settings);
// video_engine_available: the GPU monitor's flag (0 without a monitor).
RecordOptions RecordOptionsFrom(const Settings& settings, int32_t video_engine_available);
ReportOptions ReportOptionsFrom(const Settings& settings, const std::string& program_version,
                                const std::string& switches);
