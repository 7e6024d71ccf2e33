#include "report/csv_reader.h"

#include <gtest/gtest.h>

namespace report {
namespace {

const std::string kHead = "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),";
const std::string kTail = "Threads,PhysMEM(MB),VirtMEM(MB)\n";
const std::string kRow = "100,25.000,20.000,40.000000,50.000000,50,";

// The reader's message; "" when it takes the file.
std::string Parse(const std::string& content, RunCsv* run) {
  std::string error;
  return ParseRunCsv(InputFile{"run.csv", content}, run, &error) ? "" : error;
}

TEST(CsvReader, ReadsEachFormTheProgramWrites) {
  const struct { std::string text; bool gpu, vpu; uint32_t gpu_load, vpu_load; } forms[] = {
      {kHead + kTail + kRow + "12,300,400\n", false, false, 0, 0},
      {kHead + "GPU(%)," + kTail + kRow + "61,12,300,400\n", true, false, 61, 0},
      {kHead + "GPU(%),VPU(%)," + kTail + kRow + "61,9,12,300,400\r\n", true, true, 61, 9},
  };
  for (const auto& form : forms) {
    RunCsv run;
    ASSERT_EQ(Parse(form.text, &run), "");
    ASSERT_EQ(run.records.size(), 1u);
    const CsvRecord& r = run.records[0];
    EXPECT_EQ(std::vector<double>({double(run.has_gpu), double(run.has_vpu), double(r.frame), r.frame_rate,
                                   r.average_frame_rate, double(r.cpu), double(r.gpu), double(r.vpu), double(r.threads),
                                   double(r.physical_memory), double(r.virtual_memory)}),
              std::vector<double>({double(form.gpu), double(form.vpu), 100, 25, 20, 50, double(form.gpu_load),
                                   double(form.vpu_load), 12, 300, 400}));
  }
}

TEST(CsvReader, RefusesMalformedInputNamingFileAndLine) {
  const std::string header = kHead + kTail;
  const std::string good = kRow + "12,300,400\n";
  const struct { std::string text, message; } cases[] = {
      {"", "run.csv: the file is empty (0 bytes): the run stored no record, its frame range was too short or it "
           "ended before the first sample"},
      {header + good + std::string("1\0\1\2\n", 5), "run.csv, line 3: binary data, not a Korbinet CSV file"},
      {kHead + "Threads,PhysMEM(MB)\n" + good,
       "run.csv, line 1: not a Korbinet CSV header (expected \"Frame,Frames/sec,...\" with 9, 10 or 11 columns)"},
      {header + good + "200,25.000,20.000,40.000000\n", "run.csv, line 3: 4 fields, expected 9 (a truncated row)"},
      {header + good + "200,25.000,20.000,40.000000,50.000000,50,12,300,400,7\n",
       "run.csv, line 3: more than 9 fields"},
      {header + "100,25.000,20.000,40.000000,50.000000,-5,12,300,400\n",
       "run.csv, line 2: field 6 (CPU(%)): \"-5\" is not a number of the form the file uses"},
      {header + "99999999999,25.000,20.000,40.000000,50.000000,5,12,300,400\n",
       "run.csv, line 2: field 1 (Frame): \"99999999999\" is not a number of the form the file uses"},
      {header + good + "100,25.000,20.000,40.000000,50.000000,50,12,300,400\n",
       "run.csv, line 3: frame 100 does not follow frame 100"},
      {header + good + "\n", "run.csv, line 3: an empty line where a record belongs"},
      {header + good + "200,25.000,20.000,40.000000,50.000000,50,12,300,4",
       "run.csv, line 3: the file ends inside this line (a truncated file)"},
      {header, "run.csv, line 2: no record after the header"},
  };
  for (const auto& c : cases) {
    RunCsv run;
    EXPECT_EQ(Parse(c.text, &run), c.message);
  }
}

}  // namespace
}  // namespace report
