// The log written beside the script at the end of a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/frame_loop.h"
#include "records/record_files.h"

namespace records {

// Writes <script minus ".avs">.log: report text, the script, the graphics
// card text (with GPU monitoring), the performance table and the AviSynth
// error. False with the message for the caller to print in error.
bool WriteLogFile(const std::string& script_path, const std::string& report_text,
                  const std::string& graphics_card_text,
                  const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                  const std::string& avisynth_error, const RecordOptions& options,
                  std::string* error, const std::vector<std::string>& stage_table = {});

// The script as the log quotes it: lines joined by "\n" (a CR before a line
// end dropped), outer blanks trimmed. False when the file cannot be read.
bool ReadScriptText(const std::string& path, std::string* text);

// The whole log for given parts.
std::string LogText(const std::string& report_text, const std::string& script_text,
                    const std::string& graphics_card_text,
                    const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                    const std::string& avisynth_error, const RecordOptions& options,
                    const std::vector<std::string>& stage_table = {});

}  // namespace records
