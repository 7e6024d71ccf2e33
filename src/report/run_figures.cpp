#include "report/run_figures.h"

#include <charconv>

#include "report/html_text.h"

namespace report {

RunFigures FiguresOf(const Run& run) {
  RunFigures f;
  const std::vector<CsvRecord>& records = run.csv.records;
  if (records.empty()) return f;
  f.minimum_fps = records.front().frame_rate;
  uint64_t cpu_sum = 0;
  for (const CsvRecord& r : records) {
    if (r.frame_rate < f.minimum_fps) f.minimum_fps = r.frame_rate;
    if (r.frame_rate > f.maximum_fps) f.maximum_fps = r.frame_rate;
    if (r.physical_memory > f.peak_physical) f.peak_physical = r.physical_memory;
    if (r.virtual_memory > f.peak_virtual) f.peak_virtual = r.virtual_memory;
    cpu_sum += r.cpu;
  }
  f.average_fps = records.back().average_frame_rate;
  f.cpu_average = static_cast<uint32_t>((cpu_sum * 2 + records.size()) / (2 * records.size()));
  f.efficiency = f.cpu_average > 0 ? f.average_fps / f.cpu_average : -1;
  f.threads = records.back().threads;
  // Records are one interval apart; the first closes the first interval.
  const uint64_t step = records.size() > 1 ? records[1].frame - records[0].frame
                                           : records[0].frame;
  f.frames = records.back().frame - records.front().frame + step;
  const std::string processed = LineValue(run.log.runtime, "Frames processed:");
  uint64_t logged = 0;
  auto [end, ec] = std::from_chars(processed.data(), processed.data() + processed.size(), logged);
  if (ec == std::errc() && end != processed.data()) f.frames = logged;
  return f;
}

double RatioToBaseline(const RunFigures& run, const RunFigures& baseline) {
  return baseline.average_fps > 0 ? run.average_fps / baseline.average_fps : -1;
}

std::vector<std::vector<std::string>> ComparisonCells(const std::vector<std::string>& labels,
                                                      const std::vector<RunFigures>& figures,
                                                      size_t baseline) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"Run", "Label", "Frames", "Avg fps", "Min fps", "Max fps", "Ratio", "CPU",
                  "Efficiency", "Phys MB", "Virt MB", "Threads"});
  for (size_t i = 0; i < labels.size() && i < figures.size(); ++i) {
    const RunFigures& f = figures[i];
    const double ratio = RatioToBaseline(f, figures[baseline]);
    rows.push_back({std::to_string(i + 1) + (i == baseline && labels.size() > 1 ? "*" : ""), labels[i],
                    std::to_string(f.frames), FixedText(f.average_fps, 3), FixedText(f.minimum_fps, 3),
                    FixedText(f.maximum_fps, 3), ratio < 0 ? "n/a" : FixedText(ratio, 3),
                    std::to_string(f.cpu_average) + "%",
                    f.efficiency < 0 ? "n/a" : FixedText(f.efficiency, 3),
                    std::to_string(f.peak_physical), std::to_string(f.peak_virtual),
                    std::to_string(f.threads)});
  }
  return rows;
}

}  // namespace report
