// The performance samples as comma-separated values beside the script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/frame_loop.h"
#include "records/record_files.h"

namespace records {

// Writes <script minus ".avs">.csv (empty when there is no record). False
// with the message for the caller to print in error.
bool WriteCsvFile(const std::string& script_path, const std::vector<bench::PerformanceSample>& samples,
                  uint32_t record_count, const RecordOptions& options, std::string* error);

// The file's content for given records.
std::string CsvText(const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                    const RecordOptions& options);

}  // namespace records
