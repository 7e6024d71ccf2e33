// The page of a korbinet-compare result: each variant's rounds, the ratios
// to the baseline with their intervals, a sweep's speed and efficiency, the
// figures and the machine.
#pragma once

#include <string>
#include <vector>

#include "report/compare_file.h"

namespace report {

// The figures as rows of cells, the first row the column titles: number,
// label, median fps, ± MAD, ratio, interval, verdict, CPU ms per frame,
// peak memory. The page's table and the text on standard output.
std::vector<std::vector<std::string>> CompareCells(const CompareFile& file);

// What the comparison of variant v (from 0) says: "faster: 1.62 x
// (1.58-1.66)", "failed", ...
std::string VerdictText(const CompareFile& file, size_t v);

// A sweep: the variants differ in one numeric setting (the Prefetch threads
// first, then the memory limit, then a --var whose values are all numbers).
// One series per combination of the other settings.
struct Sweep {
  std::string setting;  // "prefetch", "memory-max" or the variable's name
  struct Series {
    std::string name;
    std::vector<size_t> variants;  // ascending by value
    std::vector<double> values;
  };
  std::vector<Series> series;
};

// Empty series when no setting sweeps.
Sweep FindSweep(const CompareFile& file);

std::string ComparePage(const CompareFile& file);

}  // namespace report
