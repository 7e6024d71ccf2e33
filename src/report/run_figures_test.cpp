#include "report/run_figures.h"

#include <gtest/gtest.h>

namespace report {
namespace {

Run RunOf(std::vector<CsvRecord> records, const std::string& frames_line = "") {
  Run run;
  run.csv.records = std::move(records);
  if (!frames_line.empty()) run.log.runtime.push_back(frames_line);
  return run;
}

// Records: frame, fps, average fps, CPU, GPU, VPU, threads, physical and virtual memory.
TEST(RunFigures, ComparesRunsAgainstTheBaseline) {
  const report::Run fast = RunOf({{10, 500, 500, 50, 0, 0, 3, 40, 90}, {20, 300, 400, 51, 0, 0, 4, 60, 80},
                          {30, 400, 400, 50, 0, 0, 4, 50, 95}});
  // The log's count includes the frames after the last record.
  const report::Run slow =
      RunOf({{100, 200, 200, 0, 0, 0, 1, 10, 10}}, "Frames processed:               105 (0 - 104)");
  const RunFigures a = FiguresOf(fast), b = FiguresOf(slow);
  EXPECT_EQ(std::vector<double>({double(a.frames), a.average_fps, a.minimum_fps, a.maximum_fps, double(a.cpu_average),
                                 a.efficiency, double(a.peak_physical), double(a.peak_virtual), double(a.threads),
                                 double(b.frames), b.efficiency}),
            std::vector<double>({30, 400, 300, 500, 50, 8, 60, 95, 4, 105, -1}));

  const std::vector<std::vector<std::string>> by_second = {
      {"Run", "Label", "Frames", "Avg fps", "Min fps", "Max fps", "Ratio", "CPU", "Efficiency", "Phys MB", "Virt MB",
       "Threads"},
      {"1", "fast", "30", "400.000", "300.000", "500.000", "2.000", "50%", "8.000", "60", "95", "4"},
      {"2*", "slow", "105", "200.000", "200.000", "200.000", "1.000", "0%", "n/a", "10", "10", "1"},
  };
  EXPECT_EQ(ComparisonCells({"fast", "slow"}, {a, b}, 1), by_second);
  const auto by_first = ComparisonCells({"fast", "slow"}, {a, b}, 0);
  EXPECT_EQ(by_first[1][0] + by_first[1][6] + by_first[2][6], "1*1.0000.500");
  EXPECT_EQ(ComparisonCells({"fast"}, {a}, 0)[1][0], "1");  // alone, no baseline mark
}

}  // namespace
}  // namespace report
