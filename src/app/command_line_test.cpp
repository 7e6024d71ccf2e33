#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "settings_file/settings.h"
#include "platform/testing/scratch_dir.h"

namespace app {

namespace fs = std::filesystem;

namespace {

// Runs in a scratch folder so that relative script names resolve there.
class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.avs", "clip.avs", "Upper.AVS", "myscript.avs", "-foo", " s.avs"}) {
      ScratchDir::Write(dir_.File(name), "Version()\n");
    }
    fs::current_path(dir_.File(""));
  }
  void TearDown() override { fs::current_path(saved_cwd_); }
  std::string Parse(std::vector<std::string> args, bool auto_complete = false) {
    s_ = Settings{};
    s_.AutoCompleteExtension = auto_complete;
    o_ = CommandLineOptions{};
    std::string error = "stale";
    const bool ok = ParseArguments(args, &s_, &o_, &error);
    EXPECT_EQ(ok, error.empty());
    return error;
  }

  fs::path saved_cwd_ = fs::current_path();
  ScratchDir dir_;
  Settings s_;
  CommandLineOptions o_;
};

TEST_F(CommandLine, FlagSwitchesMatchAnyCaseAndCollectTheirTypedText) {
  EXPECT_EQ(Parse({"-LOG", " -csv ", "-Gpu", "-I", "-avsinfo", "\t-l\n"}), "");
  EXPECT_EQ(s_.CreateLog + s_.CreateCSV + s_.MonitorGPULoad + o_.clip_info + o_.avs_info, 5);
  EXPECT_EQ(o_.switches, "-LOG -csv -Gpu -I -avsinfo -l");
  // The first rejection ends the parse; earlier overrides stay.
  EXPECT_EQ(Parse({"-csv", "-priority=9", "-log"}),
            "\nInvalid parameter value: \"-priority=9\"\nValue must be between 1 and 3\n");
  EXPECT_EQ(std::make_pair(s_.CreateCSV, s_.CreateLog), std::make_pair(true, false));
  EXPECT_EQ(o_.switches, "-csv -priority=9");
}

TEST_F(CommandLine, RangeSwitch) {
  constexpr int64_t U = settings_file::UnsetFrameNumber;
  struct Case { const char* arg; bool ok; int64_t first, last; const char* text; } const cases[] = {
      {"-RANGE=100,200", true, 100, 200, "FrameRange=100,200"}, {"-range=5", false, U, U, ""},
      {" -range=1-2,3 ", true, 1, 3, "FrameRange=1-2,3"},       {"-range=", false, U, U, ""},
      {"-range=1,2,3", false, U, U, "FrameRange=1,2,3"},        {"-range=a,b", false, U, U, "FrameRange=a,b"},
      {"-range=123456789012345678901234567,1", true, INT64_MAX, 1, "FrameRange=123456789012345678901234567,1"},
      {"-range=1234567890123456789012345678,1", false, U, U, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse({c.arg}), c.ok ? "" : std::string("\nInvalid parameter format: \"") + c.arg + "\"\n");
    EXPECT_EQ(std::make_tuple(s_.FrameRangeFirst, s_.FrameRangeLast, s_.FrameRangeText),
              std::make_tuple(c.first, c.last, std::string(c.text))) << c.arg;
  }
}

TEST_F(CommandLine, PriorityAndTimeLimitValues) {
  const std::string pri = "\"\nValue must be between 1 and 3\n", lim = "\"\nValue must be between 1 and 999999\n";
  struct Case { const char* arg; std::string tail; uint8_t priority; int64_t limit; } const cases[] = {
      {"-priority=1", "", 1, -1},     {"-PRIORITY=3", "", 3, -1},       {"-priority=4", pri, 2, -1},
      {"-priority=257", pri, 2, -1},  {"-priority=", pri, 2, -1},       {"-priority=-1", pri, 2, -1},
      {"-priority=4294967297", pri, 2, -1},                             {"-timelimit=999999", "", 2, 999999},
      {"-TimeLimit=60 ", "", 2, 60},  {"-timelimit=1000000", lim, 2, -1}, {"-timelimit=1e3", lim, 2, -1},
      {"-timelimit=4294967356", lim, 2, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse({c.arg}), c.tail.empty() ? "" : std::string("\nInvalid parameter value: \"") + c.arg + c.tail);
    EXPECT_EQ(s_.ProcessPriority, c.priority) << c.arg;
    EXPECT_EQ(s_.TimeLimit, c.limit) << c.arg;
  }
}

TEST_F(CommandLine, ScriptNames) {
  const std::string long_avs = std::string(2100, 'x') + ".avs", long_bare(2100, 'y');
  // The message without its leading and trailing line ends; the script in the scratch folder, or none.
  struct Case { bool auto_complete; std::vector<std::string> args; std::string message, script; } const cases[] = {
      {0, {"./sub/../Upper.AVS"}, "", "Upper.AVS"},
      {0, {dir_.File("clip.avs")}, "", "clip.avs"},
      {0, {" s.avs"}, "", " s.avs"},  // the raw argument, blanks and all
      {0, {"a.avs", "-avsinfo", "clip.avs"}, "", "clip.avs"},
      {0, {".avs"}, "Invalid argument: \".avs\"", ""},
      {0, {"a.avs", "gone.avs", "clip.avs"}, "File not found: \"gone.avs\"", "gone.avs"},
      {0, {"myscript"}, "Invalid argument: \"myscript\"", ""},
      {0, {long_avs}, "Invalid argument: \"" + long_avs + "\"", ""},
      {1, {"myscript"}, "", "myscript.avs"},
      {1, {"-foo"}, "File not found: \"-foo.avs\"", "-foo.avs"},
      {1, {"a.avs", "myscript"}, "Invalid argument: \"myscript\"", "a.avs"},
      {1, {"  "}, "Invalid argument: \"  \"", ""},
      {1, {long_bare}, "Invalid argument: \"" + long_bare + "\"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.args, c.auto_complete), c.message.empty() ? "" : "\n" + c.message + "\n") << c.args.back();
    EXPECT_EQ(o_.script_path, c.script.empty() ? "" : dir_.File(c.script)) << c.args.back();
  }
}

}  // namespace

}  // namespace app
