// What a long run costs the machine: memory must stay where the start put it
// (the sample buffer is allocated before the loop), whatever the frame count.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

struct CsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  return fields;
}

CsvTable ParseCsv(const std::string& text) {
  CsvTable table;
  std::stringstream in(text);
  std::string line;
  if (std::getline(in, line)) table.header = SplitFields(line);
  while (std::getline(in, line)) table.rows.push_back(SplitFields(line));
  return table;
}

int Column(const CsvTable& table, const std::string& name) {
  for (size_t i = 0; i < table.header.size(); ++i) {
    if (table.header[i] == name) return static_cast<int>(i);
  }
  return -1;
}

TEST(ResourceUse, MillionFrameRunKeepsMemoryFlat) {
  // Frames this small cost about a microsecond each: the analysis pass reads
  // them all in well over 0.5 s, and the run ends in seconds.
  Sandbox sandbox;
  sandbox.WriteScript("long.avs", "BlankClip(length=1000000, width=16, height=16, pixel_type=\"Y8\")\nSpin(1)\n");
  const ProcessResult r = RunPiped(sandbox, {"long.avs", "-csv", "-timelimit=15"}, std::nullopt, 90s);
  ASSERT_EQ(r.signal, 0) << Describe(r);
  ASSERT_EQ(r.exit_status, 0) << Describe(r);

  const CsvTable csv = ParseCsv(sandbox.ReadFile("long.csv"));
  const int frame = Column(csv, "Frame");
  const int fps = Column(csv, "Frames/sec(average)");
  const int memory = Column(csv, "PhysMEM(MB)");
  const int threads = Column(csv, "Threads");
  ASSERT_GE(frame, 0);
  ASSERT_GE(memory, 0);
  ASSERT_GE(threads, 0);
  ASSERT_GE(csv.rows.size(), 20u) << "too few records to judge a trend";
  for (const auto& row : csv.rows) ASSERT_EQ(row.size(), csv.header.size());

  // The first record can still see the loop's own start-up; compare the
  // first few with the last few.
  const size_t window = 5;
  unsigned first_max = 0, last_max = 0;
  for (size_t i = 0; i < window; ++i) {
    first_max = std::max(first_max, static_cast<unsigned>(std::stoul(csv.rows[i][memory])));
    last_max = std::max(last_max, static_cast<unsigned>(std::stoul(csv.rows[csv.rows.size() - 1 - i][memory])));
  }
  EXPECT_LE(last_max, first_max + 2) << "memory grew over the run";
  EXPECT_EQ(csv.rows.front()[threads], csv.rows.back()[threads]);
  EXPECT_EQ(csv.rows.back()[frame], "1000000") << "the run did not reach the last frame";

  // The figures of the run, for the performance notes.
  const auto& last = csv.rows.back();
  std::cout << "[ figures  ] rows " << csv.rows.size() << ", last frame " << last[frame] << ", average fps "
            << last[fps] << ", PhysMEM(MB) first " << csv.rows.front()[memory] << " last " << last[memory]
            << std::endl;
}

}  // namespace
}  // namespace e2e
