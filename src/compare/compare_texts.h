// What korbinet-compare prints and writes as text: the table, the
// conclusions, the Markdown table and the rounds' CSV.
#pragma once

#include <string>

#include "compare/compare_result.h"

namespace compare {

// The aligned table, a header line and one line per variant:
// number, label, median fps, ± scaled MAD, ratio to the baseline with its
// 95 % interval, verdict, processor ms per frame, peak memory.
std::string ResultTable(const CompareResult& result);

// One line per variant other than the baseline, each ending in a newline:
//   X is 1.62 x faster than B (1.58-1.66, 95 %)
//   X is slower than B, at 0.87 x its speed (0.85-0.89, 95 %)
//   X is as fast as B within 2 % (1.004 x, 0.991-1.017, 95 %)
//   X against B is undecided (1.01 x, 0.97-1.05, 95 %): more rounds may tell
//   X against B is undecided: fewer than 2 blocks measured both
//   X failed and is not compared with B
//   X is not compared: B failed
std::string Conclusions(const CompareResult& result);

// Why each failed variant failed, the error text as Korbinet prints it:
//   X failed:
//   <text, ending in a newline>
// Empty when every variant ran.
std::string FailureTexts(const CompareResult& result);

// The table's figures as a Markdown table.
std::string MarkdownTable(const CompareResult& result);

// The rounds, one line each in the order they ran, after a header line.
// Numbers as in the JSON file; variant, block and position count from 1.
std::string RoundsCsv(const CompareResult& result);

}  // namespace compare
