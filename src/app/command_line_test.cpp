#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "bench/testing/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// Runs in a scratch folder holding a.avs, clip.avs, myscript.avs and
// -foo (no extension), so relative names resolve there.
class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.avs", "clip.avs", "Upper.AVS", "myscript.avs", "-foo", " s.avs"}) {
      ScratchDir::Write(dir_.File(name), "Version()\n");
    }
    fs::current_path(dir_.File(""));
  }
  void TearDown() override { fs::current_path(saved_cwd_); }
  std::string Parse(std::vector<std::string> args) {
    settings_ = Settings{};
    settings_.AutoCompleteExtension = auto_complete_;
    options_ = CommandLineOptions{};
    return ParseArguments(args, &settings_, &options_);
  }
  std::string In(const char* name) const { return dir_.File(name); }

  fs::path saved_cwd_ = fs::current_path();
  ScratchDir dir_;
  int auto_complete_ = 0;
  Settings settings_;
  CommandLineOptions options_;
};

TEST_F(CommandLine, FlagSwitchesMatchAnyCaseAndCollectTheirTypedText) {
  EXPECT_EQ(Parse({"-LOG", " -csv ", "-Gpu", "-I", "-avsinfo", "\t-l\n"}), "");
  EXPECT_EQ(settings_.CreateLog, 1);
  EXPECT_EQ(settings_.CreateCSV, 1);
  EXPECT_EQ(settings_.MonitorGPULoad, 1);
  EXPECT_EQ(options_.ClipInfo, 1);
  EXPECT_EQ(options_.AvsInfo, 1);
  EXPECT_EQ(options_.Switches, "-LOG -csv -Gpu -I -avsinfo -l");

  EXPECT_EQ(Parse({"-Log", "-info"}), "");
  EXPECT_EQ(settings_.CreateLog, 1);
  EXPECT_EQ(options_.ClipInfo, 1);
  EXPECT_EQ(options_.Switches, "-Log -info");

  EXPECT_EQ(Parse({"a.avs"}), "");
  EXPECT_EQ(options_.Switches, "");
  EXPECT_EQ(settings_.CreateLog, 0);
}

TEST_F(CommandLine, RangeSwitch) {
  constexpr int64_t U = UnsetFrameNumber;
  struct Case { const char* arg; bool ok; int64_t first, last; const char* text; } const cases[] = {
      {"-range=0,-1", true, 0, -1, "FrameRange=0,-1"},
      {"-RANGE=100,200", true, 100, 200, "FrameRange=100,200"},
      {" -range=1-2,3 ", true, 1, 3, "FrameRange=1-2,3"},
      {"-range=5", false, U, U, ""},  {"-range=,5", false, U, U, ""}, {"-range=", false, U, U, ""},
      {"-range=1,2,3", false, U, U, "FrameRange=1,2,3"},
      {"-range=a,b", false, U, U, "FrameRange=a,b"},
      {"-range=123456789012345678901234567,1", true, INT64_MAX, 1,
       "FrameRange=123456789012345678901234567,1"},
      {"-range=1234567890123456789012345678,1", false, U, U, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse({c.arg}),
              c.ok ? "" : std::string("\nInvalid parameter format: \"") + c.arg + "\"\n");
    EXPECT_EQ(settings_.FrameRangeFirst, c.first) << c.arg;
    EXPECT_EQ(settings_.FrameRangeLast, c.last) << c.arg;
    EXPECT_EQ(settings_.FrameRangeText, c.text) << c.arg;
  }
}

TEST_F(CommandLine, PriorityAndTimeLimitValues) {
  const std::string priority_tail = "\"\nValue must be between 1 and 3\n";
  const std::string limit_tail = "\"\nValue must be between 1 and 999999\n";
  struct Case {
    const char* arg;
    std::string message_tail;  // empty: accepted
    uint8_t priority;
    int64_t time_limit;
  } const cases[] = {
      {"-priority=1", "", 1, -1},                 {"-PRIORITY=3", "", 3, -1},
      {"-priority=0", priority_tail, 2, -1},      {"-priority=4", priority_tail, 2, -1},
      {"-priority=257", priority_tail, 2, -1},    {"-priority=", priority_tail, 2, -1},
      {"-priority=x", priority_tail, 2, -1},      {"-priority=-1", priority_tail, 2, -1},
      {"-priority=4294967297", priority_tail, 2, -1},
      {"-timelimit=1", "", 2, 1},                 {"-timelimit=999999", "", 2, 999999},
      {"-TimeLimit=60 ", "", 2, 60},              {"-timelimit=0", limit_tail, 2, -1},
      {"-timelimit=1000000", limit_tail, 2, -1},  {"-timelimit=", limit_tail, 2, -1},
      {"-timelimit=1e3", limit_tail, 2, -1},      {"-timelimit=4294967356", limit_tail, 2, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse({c.arg}), c.message_tail.empty() ? ""
                                  : std::string("\nInvalid parameter value: \"") + c.arg + c.message_tail);
    EXPECT_EQ(settings_.ProcessPriority, c.priority) << c.arg;
    EXPECT_EQ(settings_.TimeLimit, c.time_limit) << c.arg;
  }
}

TEST_F(CommandLine, ScriptNamesEndingInAvs) {
  EXPECT_EQ(Parse({"a.avs"}), "");
  EXPECT_EQ(options_.ScriptPath, In("a.avs"));
  EXPECT_EQ(Parse({"./sub/../Upper.AVS"}), "");
  EXPECT_EQ(options_.ScriptPath, In("Upper.AVS"));
  EXPECT_EQ(Parse({In("clip.avs")}), "");
  EXPECT_EQ(options_.ScriptPath, In("clip.avs"));
  // The raw argument, blanks and all, names the file.
  EXPECT_EQ(Parse({" s.avs"}), "");
  EXPECT_EQ(options_.ScriptPath, In(" s.avs"));

  EXPECT_EQ(Parse({".avs"}), "\nInvalid argument: \".avs\"\n");
  EXPECT_EQ(Parse({"missing.avs"}), "\nFile not found: \"missing.avs\"\n");
  EXPECT_EQ(options_.ScriptPath, In("missing.avs"));
  EXPECT_EQ(Parse({"a.avs "}), "\nFile not found: \"a.avs \"\n");
}

TEST_F(CommandLine, LaterScriptWinsAndEachIsChecked) {
  EXPECT_EQ(Parse({"a.avs", "-avsinfo", "clip.avs"}), "");
  EXPECT_EQ(options_.ScriptPath, In("clip.avs"));
  EXPECT_EQ(options_.AvsInfo, 1);
  EXPECT_EQ(Parse({"a.avs", "gone.avs", "clip.avs"}), "\nFile not found: \"gone.avs\"\n");
  EXPECT_EQ(options_.ScriptPath, In("gone.avs"));
  // The first rejection ends the parse; earlier overrides stay.
  EXPECT_EQ(Parse({"-csv", "-priority=9", "-log"}),
            "\nInvalid parameter value: \"-priority=9\"\nValue must be between 1 and 3\n");
  EXPECT_EQ(settings_.CreateCSV, 1);
  EXPECT_EQ(settings_.CreateLog, 0);
  EXPECT_EQ(options_.Switches, "-csv -priority=9");
}

TEST_F(CommandLine, BareNamesGetTheExtensionOnlyWithAutoCompletion) {
  EXPECT_EQ(Parse({"myscript"}), "\nInvalid argument: \"myscript\"\n");
  EXPECT_EQ(Parse({"-foo"}), "\nInvalid argument: \"-foo\"\n");
  auto_complete_ = 1;
  EXPECT_EQ(Parse({"myscript"}), "");
  EXPECT_EQ(options_.ScriptPath, In("myscript.avs"));
  EXPECT_EQ(Parse({"-foo"}), "\nFile not found: \"-foo.avs\"\n");
  EXPECT_EQ(Parse({"a.avs", "myscript"}), "\nInvalid argument: \"myscript\"\n");
  EXPECT_EQ(options_.ScriptPath, In("a.avs"));
  EXPECT_EQ(Parse({"  "}), "\nInvalid argument: \"  \"\n");
  EXPECT_EQ(Parse({"b"}), "\nFile not found: \"b.avs\"\n");
}

TEST_F(CommandLine, OverlongPathsAreNotMade) {
  std::string long_name = std::string(2100, 'x') + ".avs";
  EXPECT_EQ(Parse({long_name}), "\nInvalid argument: \"" + long_name + "\"\n");
  auto_complete_ = 1;
  std::string long_bare(2100, 'y');
  EXPECT_EQ(Parse({long_bare}), "\nInvalid argument: \"" + long_bare + "\"\n");
}

}  // namespace
