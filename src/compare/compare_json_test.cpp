#include "compare/compare_json.h"

#include <gtest/gtest.h>

#include "compare/compare_texts.h"

namespace compare {
namespace {

// Two variants over three blocks, the first a warm-up, through the real
// statistics.
CompareResult SampleRun() {
  CompareResult r;
  std::string error;
  EXPECT_TRUE(ParseCompareOptions({"--var", "Mode=fast,slow", "--maxcpu", "", "--fail-if-slower", "5",
                                   "scripts/a\"b\".avs"},
                                  &r.options, &error))
      << error;
  for (size_t block = 0; block < 3; ++block) {
    for (size_t v = 0; v < 2; ++v) {
      r.rounds.push_back({v, block, 1 - v, 100 + 10 * v + block, 1.0, 0.5, 1 << 20, 2});
    }
  }
  r.outcomes.resize(2);
  r.outcomes[1].error = "Script error:\n\tline 3";
  r.outcomes[0].library_version = "AviSynth+ 3.7.5";
  r.outcomes[0].stages = {{"Source\tA", 12, 0.25, 1.5}};
  r.machine.cores = 2;
  r.machine.load_average_start = 0.5;
  r.program_version = "2.1.6";
  Summarise(&r);
  return r;
}

TEST(CompareJson, HoldsSettingsStatisticsAndRounds) {
  const std::string json = ResultJson(SampleRun());
  for (const char* part : {
           "{\n  \"schema\": 1,\n  \"program\": {\n    \"name\": \"korbinet-compare\",\n    \"version\": \"2.1.6\"\n  },",
           "\"machine\": {\n    \"processor\": null,\n    \"cores\": 2,\n    \"os\": null,\n"
           "    \"load_average_start\": 0.5,\n    \"load_average_end\": null\n  },",
           "\"max_blocks\": null,", "\"fail_if_slower_percent\": 5\n",
           "\"label\": \"Mode=slow\",\n      \"script\": \"scripts/a\\\"b\\\".avs\",\n      \"library\": null,",
           "\"library_version\": \"AviSynth+ 3.7.5\",", "\"maxcpu\": null,",
           "\"vars\": {\n        \"Mode\": \"slow\"\n      },",
           // Only the variant whose script had markers has stages.
           "\"error\": null,\n      \"stages\": [\n        {\n          \"name\": \"Source\\tA\",\n"
           "          \"calls\": 12,\n          \"self_seconds\": 0.25,\n          \"inclusive_seconds\": 1.5\n"
           "        }\n      ],\n      \"statistics\"",
           "\"error\": \"Script error:\\n\\tline 3\",\n      \"statistics\"",
           "\"rounds\": 2,\n        \"median_fps\": 111.5,",
           "\"comparison\": null\n",
           "\"pairs\": 2,\n        \"ratio\": ",
           "{\n      \"variant\": 2,\n      \"block\": 3,\n      \"position\": 1,\n      \"warmup\": false,\n"
           "      \"frames\": 112,\n      \"wall_seconds\": 1,\n      \"cpu_seconds\": 0.5,\n      \"fps\": 112,\n"
           "      \"peak_memory_bytes\": 1048576,\n      \"threads\": 2,\n      \"outlier\": false\n    }\n  ]\n}\n"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\nin\n" << json;
  }
}

}  // namespace
}  // namespace compare
