#include "records/log_file.h"

#include <fstream>

#include "records/record_files.h"
#include "records/record_format.h"
#include "text/text.h"

namespace records {

namespace {

std::string TableRow(const bench::PerformanceSample& r, bool monitor_gpu,
                     bool video_engine_available) {
  // Frames are counted from 1 in the table, right-aligned in 12 columns.
  const unsigned n = r.frame + 1;
  const std::string number = std::to_string(n);
  const std::string pad(number.size() < 12 ? 12 - number.size() : 0, ' ');
  const double tpf = 1000.0 / r.current_frame_rate;
  const unsigned cpu = r.cpu_usage, gpu = r.gpu_load, vpu = r.video_engine_load,
                 threads = r.thread_count;
  if (!monitor_gpu) {
    return text::Format("%s%u %13.3f %16.6f %8u %9u %13u %13u", pad.c_str(), n,
                                r.current_frame_rate, tpf, cpu, threads, r.physical_memory,
                                r.virtual_memory);
  }
  if (!video_engine_available) {
    return text::Format("%s%u %13.3f %16.6f %8u %8u %9u %13u %13u", pad.c_str(), n,
                                r.current_frame_rate, tpf, cpu, gpu, threads, r.physical_memory,
                                r.virtual_memory);
  }
  return text::Format("%s%u %13.3f %16.6f %8u %8u %8u %9u %13u %13u", pad.c_str(), n,
                              r.current_frame_rate, tpf, cpu, gpu, vpu, threads,
                              r.physical_memory, r.virtual_memory);
}

}  // namespace

bool ReadScriptText(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  text->clear();
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text->append(line);
    text->append("\n");
  }
  if (in.bad()) return false;
  text::Trim(text);
  return true;
}

std::string LogText(const std::string& report_text, const std::string& script_text,
                    const std::string& graphics_card_text,
                    const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                    const std::string& avisynth_error, const RecordOptions& options,
                    const std::vector<std::string>& stage_table) {
  const bool monitor_gpu = options.monitor_gpu;
  const bool video_engine_available = options.video_engine_available;
  std::string log = report_text + "\n";
  log += "\n" + std::string(records::kScriptSection) + "\n" + script_text + "\n\n";
  if (monitor_gpu) log += graphics_card_text;
  // Never read past the records that exist.
  const size_t rows = record_count < samples.size() ? record_count : samples.size();
  if (rows > 0) {
    log += "\n" + std::string(records::kPerformanceSection) + "\n" +
           records::LogTableHead(monitor_gpu, video_engine_available) + "\n";
    for (size_t i = 0; i < rows; ++i) {
      log += TableRow(samples[i], monitor_gpu, video_engine_available);
      log += "\n";
    }
  }
  if (!avisynth_error.empty()) {
    log += "\n\n" + std::string(records::kAvisynthErrorSection) + "\n" + avisynth_error + "\n";
  }
  if (!stage_table.empty()) {
    log += "\n\n" + std::string(records::kStageTimesSection) + "\n";
    for (const std::string& line : stage_table) log += line + "\n";
  }
  return log;
}

bool WriteLogFile(const std::string& script_path, const std::string& report_text,
                  const std::string& graphics_card_text,
                  const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                  const std::string& avisynth_error, const RecordOptions& options,
                  std::string* error, const std::vector<std::string>& stage_table) {
  std::string script_text;
  if (!ReadScriptText(script_path, &script_text)) {
    *error = CannotOpenMessage(script_path);
    return false;
  }
  const std::string log_path = PathBesideScript(script_path, ".log");
  return ReplaceFileContent(
      log_path,
      LogText(report_text, script_text, graphics_card_text, samples, record_count, avisynth_error,
              options, stage_table),
      error);
}

}  // namespace records
