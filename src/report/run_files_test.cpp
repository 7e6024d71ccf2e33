#include "report/run_files.h"

#include <gtest/gtest.h>

namespace report {
namespace {

TEST(RunFiles, NamesBesideTheCsvAndALogFromAnotherRunIsToldApart) {
  EXPECT_EQ(WithExtension("runs/a.b/run", ".log") + "|" + WithExtension(".csv", ".log"), "runs/a.b/run.log|.csv.log");
  RunCsv csv;
  csv.records.resize(2);
  csv.records[0].frame = 10, csv.records[1].frame = 20;
  RunLog log;
  log.table_rows = 2, log.last_row_frame = "20";
  EXPECT_EQ(RunMismatch(log, csv), "");
  log.last_row_frame = "30";
  EXPECT_EQ(RunMismatch(log, csv), "its performance table has 2 rows up to frame 30, the CSV 2 records up to frame 20");
  log = RunLog{};  // -info -log leaves no table
  EXPECT_EQ(RunMismatch(log, csv), "its performance table has 0 rows, the CSV 2 records up to frame 20");
}

}  // namespace
}  // namespace report
