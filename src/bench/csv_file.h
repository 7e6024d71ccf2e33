// The performance samples as comma-separated values beside the script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/frame_loop.h"

// Writes <script minus ".avs">.csv (empty when there is no record). Returns
// an empty text, or the message for the caller to print.
std::string WriteCsvFile(const std::string& script_path,
                         const std::vector<PerformanceSample>& samples, uint32_t record_count,
                         int32_t video_engine_available);

// The file's content for given records (monitor_gpu: the MonitorGPULoad setting).
std::string CsvText(const std::vector<PerformanceSample>& samples, uint32_t record_count,
                    int32_t video_engine_available, int32_t monitor_gpu);
