// korbinet-report over the largest run the program records: 500,000 records
// of a GPU run (11 columns). Measures the whole path, from reading the CSV to
// the page on disk, and reports the page's size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "report/report_page.h"
#include "report/run_figures.h"
#include "report/run_files.h"

namespace {

namespace fs = std::filesystem;

fs::path WriteLargeCsv() {
  const fs::path dir = fs::temp_directory_path() / "korbinet-report-bench";
  fs::create_directories(dir);
  const fs::path csv = dir / "large.csv";
  std::ofstream out(csv, std::ios::binary);
  out << "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),"
         "GPU(%),VPU(%),Threads,PhysMEM(MB),VirtMEM(MB)\n";
  char row[160];
  double average = 0;
  for (unsigned i = 0; i < 500000; ++i) {
    // A slow wave, a little noise and one dip.
    const double fps = i == 250000 ? 3.5 : 400 + 80 * ((i / 5000) % 7) / 7.0 + (i * 37 % 11);
    average += (fps - average) / (i + 1);
    std::snprintf(row, sizeof row, "%u,%.3f,%.3f,%.6f,%.6f,%u,%u,%u,%u,%u,%u\n", (i + 1) * 10,
                  fps, average, 1000 / fps, 1000 / average, 40 + i % 21, 30 + i % 9, i % 5,
                  9 + (i / 100000), 300 + i / 5000, 900 + i / 2500);
    out << row;
  }
  return csv;
}

void BM_ReportOf500000Records(benchmark::State& state) {
  const fs::path csv = WriteLargeCsv();
  const std::string page_path = (csv.parent_path() / "large.html").string();
  size_t bytes = 0;
  for (auto _ : state) {
    report::Run run;
    std::string error, warning;
    if (!report::LoadRun(csv.string(), &run, &error, &warning)) {
      state.SkipWithError(error.c_str());
      return;
    }
    const std::string page = report::RunPage(run, report::FiguresOf(run));
    if (!platform::WriteFileReplacing(page_path, page, nullptr)) {
      state.SkipWithError("cannot write the page");
      return;
    }
    bytes = page.size();
  }
  state.counters["csv_MB"] = static_cast<double>(fs::file_size(csv)) / (1 << 20);
  state.counters["html_KB"] = static_cast<double>(bytes) / 1024;
  fs::remove_all(csv.parent_path());
}
BENCHMARK(BM_ReportOf500000Records)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
