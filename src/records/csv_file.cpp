#include "records/csv_file.h"

#include "records/record_files.h"
#include "records/record_format.h"
#include "text/text.h"

namespace records {

namespace {

std::string CsvRow(const bench::PerformanceSample& r, bool monitor_gpu,
                   bool video_engine_available) {
  const unsigned n = r.frame + 1;
  const double tpf = 1000.0 / r.current_frame_rate;
  const double average_tpf = 1000.0 / r.average_frame_rate;
  const unsigned cpu = r.cpu_usage, gpu = r.gpu_load, vpu = r.video_engine_load,
                 threads = r.thread_count;
  if (!monitor_gpu) {
    return text::Format("%u,%.3f,%.3f,%.6f,%.6f,%u,%u,%u,%u", n, r.current_frame_rate,
                                r.average_frame_rate, tpf, average_tpf, cpu, threads,
                                r.physical_memory, r.virtual_memory);
  }
  if (!video_engine_available) {
    return text::Format("%u,%.3f,%.3f,%.6f,%.6f,%u,%u,%u,%u,%u", n, r.current_frame_rate,
                                r.average_frame_rate, tpf, average_tpf, cpu, gpu, threads,
                                r.physical_memory, r.virtual_memory);
  }
  return text::Format("%u,%.3f,%.3f,%.6f,%.6f,%u,%u,%u,%u,%u,%u", n,
                              r.current_frame_rate, r.average_frame_rate, tpf, average_tpf, cpu,
                              gpu, vpu, threads, r.physical_memory, r.virtual_memory);
}

}  // namespace

std::string CsvText(const std::vector<bench::PerformanceSample>& samples, uint32_t record_count,
                    const RecordOptions& options) {
  const bool monitor_gpu = options.monitor_gpu;
  const bool video_engine_available = options.video_engine_available;
  const size_t rows = record_count < samples.size() ? record_count : samples.size();
  if (rows == 0) return std::string();
  std::string text = records::CsvHeader(monitor_gpu, video_engine_available) + "\n";
  for (size_t i = 0; i < rows; ++i) {
    text += CsvRow(samples[i], monitor_gpu, video_engine_available);
    text += "\n";
  }
  return text;
}

bool WriteCsvFile(const std::string& script_path, const std::vector<bench::PerformanceSample>& samples,
                  uint32_t record_count, const RecordOptions& options, std::string* error) {
  return ReplaceFileContent(PathBesideScript(script_path, ".csv"),
                            CsvText(samples, record_count, options), error);
}

}  // namespace records
