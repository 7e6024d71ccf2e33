#include "report/report_options.h"

#include <gtest/gtest.h>

namespace report {
namespace {

TEST(ReportOptions, ReadsRunsLabelsOutputAndBaseline) {
  ReportOptions o;
  std::string error;
  ASSERT_TRUE(ParseReportOptions({"a.csv", "--label", "A", "dir/b.csv", "-o", "out.html",
                                  "--baseline", "2", "--", "-c.csv"}, &o, &error));
  EXPECT_EQ(o.csv_paths, (std::vector<std::string>{"a.csv", "dir/b.csv", "-c.csv"}));
  EXPECT_TRUE(o.labels == std::vector<std::string>{"A"} && o.output == "out.html" && o.baseline == 1u);
  ASSERT_TRUE(ParseReportOptions({"runs/x.y/run.CSV"}, &o, &error));
  EXPECT_EQ(DefaultOutputPath(o), "runs/x.y/run.html");
  ASSERT_TRUE(ParseReportOptions({"a.csv", "b.csv"}, &o, &error));
  EXPECT_EQ(DefaultOutputPath(o), "a-comparison.html");
}

TEST(ReportOptions, RefusesWhatMakesNoReport) {
  const struct { std::vector<std::string> args; std::string error; } cases[] = {
      {{}, "no CSV file given"},
      {{"a.csv", "--fast"}, "unknown option --fast"},
      {{"a.csv", "--label", "A", "--label", "B"}, "more labels than CSV files"},
      {{"a.csv", "b.csv", "--baseline", "3"}, "--baseline must be a run number from 1 to 2"},
      {{"a.csv", "--baseline", "0"}, "--baseline must be a run number from 1 to 1"},
      {{"a.csv", "--baseline", "1x"}, "--baseline must be a run number from 1 to 1"},
      {{"a.csv", "-o", "x", "-o", "y"}, "-o given twice"},
      {std::vector<std::string>(33, "a.csv"), "more than 32 CSV files"},
  };
  for (const auto& c : cases) {
    ReportOptions o;
    std::string error;
    EXPECT_FALSE(ParseReportOptions(c.args, &o, &error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace report
