#include "compare/compare_options.h"

#include <gtest/gtest.h>

namespace compare {
namespace {

TEST(CompareOptions, DefaultsAndEveryOptionInBothForms) {
  CompareOptions o;
  std::string error;
  ASSERT_TRUE(ParseCompareOptions({"a.avs"}, &o, &error)) << error;
  EXPECT_TRUE(o.round_seconds == 1.0 && o.warmup == 1 && o.rounds == 0 && o.time_seconds == 120.0 &&
              o.order == FrameOrder::kForward && o.baseline == 0 && o.margin_percent == 2.0 &&
              o.seed == 1 && o.fail_if_slower_percent == 0 && o.json_path.empty());
  ASSERT_EQ(o.variants.size(), 1u);

  ASSERT_TRUE(ParseCompareOptions(
      {"--prefetch", "1,2", "--maxcpu=none,", "--memory-max", "512", "--library=l.so",
       "--var", "W=1,2", "--var=S=", "--round=0.5", "--warmup", "0", "--rounds=30",
       "--time", "60", "--order=random", "--baseline", "4", "--margin=0.5", "--seed",
       "18446744073709551615", "--json", "r.json", "--markdown=r.md", "--csv", "r.csv",
       "--fail-if-slower=5", "a.avs", "--", "--b.avs"},
      &o, &error)) << error;
  EXPECT_EQ(o.sweeps.scripts, (std::vector<std::string>{"a.avs", "--b.avs"}));
  EXPECT_EQ(o.sweeps.prefetch, (std::vector<int>{1, 2}));
  EXPECT_EQ(o.sweeps.max_cpu, (std::vector<std::string>{"none", ""}));
  EXPECT_EQ(o.sweeps.vars.size(), 2u);
  EXPECT_EQ(o.sweeps.vars[1].second, (std::vector<std::string>{""}));
  EXPECT_EQ(o.variants.size(), 16u);
  EXPECT_EQ(o.variants[3].label, "a.avs maxcpu=none prefetch=2 W=2");
  EXPECT_TRUE(o.round_seconds == 0.5 && o.warmup == 0 && o.rounds == 30 && o.time_seconds == 60 &&
              o.order == FrameOrder::kRandom && o.baseline == 3 && o.margin_percent == 0.5 &&
              o.seed == UINT64_MAX && o.json_path == "r.json" && o.markdown_path == "r.md" &&
              o.csv_path == "r.csv" && o.fail_if_slower_percent == 5);

  for (const char* stop : {"-h", "--help", "--version"}) {
    ASSERT_TRUE(ParseCompareOptions({"--bogus=1", stop}, &o, &error) == false);
    ASSERT_TRUE(ParseCompareOptions({stop, "--bogus"}, &o, &error)) << stop;
    EXPECT_EQ(o.help, std::string(stop) != "--version");
    EXPECT_EQ(o.version, std::string(stop) == "--version");
  }
}

TEST(CompareOptions, ErrorsNameTheOptionAndTheValue) {
  const struct { std::vector<std::string> args; std::string error; } cases[] = {
      {{}, "no script given"},
      {{"a.avs", "--fast"}, "unknown option --fast"},
      {{"a.avs", "-x"}, "unknown option -x"},
      {{"a.avs", "--round"}, "--round needs a value"},
      {{"a.avs", "--help=1"}, "--help takes no value"},
      {{"a.avs", "--round", "1", "--round=2"}, "--round given twice"},
      {{"a.avs", "--prefetch", "1", "--prefetch", "2"}, "--prefetch given twice"},
      {{"a.avs", "--prefetch", "1,0"}, "--prefetch: \"0\" is not a whole number of at least 1"},
      {{"a.avs", "--prefetch", "1,,2"}, "--prefetch: \"\" is not a whole number of at least 1"},
      {{"a.avs", "--prefetch", "99999999999"}, "--prefetch: \"99999999999\" is not a whole number of at least 1"},
      {{"a.avs", "--memory-max", "+5"}, "--memory-max: \"+5\" is not a whole number of at least 1"},
      {{"a.avs", "--library", "a.so,"}, "--library: \"a.so,\" is not a list of file names"},
      {{"a.avs", "--var", "1x=2"}, "--var: \"1x=2\" is not NAME=VALUE,... with a script variable name"},
      {{"a.avs", "--var", "W"}, "--var: \"W\" is not NAME=VALUE,... with a script variable name"},
      {{"a.avs", "--var", "W=1", "--var=W=2"}, "--var: \"W\" given twice"},
      {{"a.avs", "--round", "0"}, "--round: \"0\" is not a number of seconds above 0"},
      {{"a.avs", "--time", "nan"}, "--time: \"nan\" is not a number of seconds above 0"},
      {{"a.avs", "--time", "1e3"}, "--time: \"1e3\" is not a number of seconds above 0"},
      {{"a.avs", "--warmup", "-1"}, "--warmup: \"-1\" is not a whole number"},
      {{"a.avs", "--rounds", "0"}, "--rounds: \"0\" is not a whole number of at least 1"},
      {{"a.avs", "--order", "backwards"}, "--order: \"backwards\" is not forward, reverse or random"},
      {{"a.avs", "--margin", "100"}, "--margin: \"100\" is not a percentage from 0 to below 100"},
      {{"a.avs", "--fail-if-slower", "0"}, "--fail-if-slower: \"0\" is not a percentage above 0 and below 100"},
      {{"a.avs", "--seed", "-1"}, "--seed: \"-1\" is not a whole number from 0 to 18446744073709551615"},
      {{"a.avs", "--json="}, "--json: \"\" is not a file name"},
      {{"a.avs", "b.avs", "--baseline", "3"}, "--baseline: \"3\" is not a variant number from 1 to 2"},
      {{"a.avs", "--baseline", "0"}, "--baseline: \"0\" is not a variant number from 1 to 1"},
      {{"a.avs", "--prefetch", "1,2", "--label", "x"}, "1 label for 2 variants"},
  };
  for (const auto& c : cases) {
    CompareOptions o;
    std::string error;
    EXPECT_FALSE(ParseCompareOptions(c.args, &o, &error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace compare
