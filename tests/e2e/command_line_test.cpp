// Rejected command lines through the real program: the exact message after
// the start lines, the stream it goes to, and status 255.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

struct RejectCase {
  std::vector<std::string> args;
  std::string message;
  std::map<std::string, std::string> settings = {};
};

const std::string kPriorityRange = "Value must be between 1 and 3\n";
const std::string kTimeRange = "Value must be between 1 and 999999\n";

std::vector<RejectCase> RejectCases() {
  return {
      {{"-priority=4"}, "\nInvalid parameter value: \"-priority=4\"\n" + kPriorityRange},
      {{"-priority="}, "\nInvalid parameter value: \"-priority=\"\n" + kPriorityRange},
      {{" -Priority=x "}, "\nInvalid parameter value: \" -Priority=x \"\n" + kPriorityRange},
      {{"-timelimit=0"}, "\nInvalid parameter value: \"-timelimit=0\"\n" + kTimeRange},
      {{"-timelimit=1000000"}, "\nInvalid parameter value: \"-timelimit=1000000\"\n" + kTimeRange},
      {{"-range=5"}, "\nInvalid parameter format: \"-range=5\"\n"},
      {{"-range=,5"}, "\nInvalid parameter format: \"-range=,5\"\n"},
      {{"-RANGE=1,2,3"}, "\nInvalid parameter format: \"-RANGE=1,2,3\"\n"},
      {{"missing.avs"}, "\nFile not found: \"missing.avs\"\n"},
      {{"-Foo"}, "\nInvalid argument: \"-Foo\"\n"},
      {{".avs"}, "\nInvalid argument: \".avs\"\n"},
      {{"myscript"}, "\nInvalid argument: \"myscript\"\n"},
      {{"myscript"}, "\nFile not found: \"myscript.avs\"\n", {{"AutoCompleteExtension", "1"}}},
      {{"-foo"}, "\nFile not found: \"-foo.avs\"\n", {{"AutoCompleteExtension", "1"}}},
      // Text from the command line is data: a format directive is shown as typed.
      {{"%s%n%x.avs"}, "\nFile not found: \"%s%n%x.avs\"\n"},
      // The first rejected argument ends the parse.
      {{"-priority=9", "missing.avs"}, "\nInvalid parameter value: \"-priority=9\"\n" + kPriorityRange},
      {{"missing.avs", "-priority=9"}, "\nFile not found: \"missing.avs\"\n"},
      // Accepted switches without a script.
      {{"-log"}, "\nNo script file specified\n"},
      {{" -LOG ", "-csv", "-i", "-range=0,-1", "-priority=3", "-timelimit=999999"},
       "\nNo script file specified\n"},
  };
}

std::string Show(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& arg : args) text += "[" + arg + "] ";
  return text;
}

TEST(CommandLine, RejectedArgumentsGoToStandardErrorWithStatus255) {
  Sandbox sandbox;
  for (const auto& c : RejectCases()) {
    SCOPED_TRACE(Show(c.args));
    sandbox.WriteSettings(c.settings);
    ProcessResult r = RunPiped(sandbox, c.args);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, PipedStartText() + c.message);
    EXPECT_EQ(r.out, "");
  }
}

TEST(CommandLine, RejectedArgumentsGoToStandardOutputWhenAsked) {
  Sandbox sandbox;
  for (const auto& c : RejectCases()) {
    SCOPED_TRACE(Show(c.args));
    auto settings = c.settings;
    settings["ConUseSTDOUT"] = "1";
    sandbox.WriteSettings(settings);
    ProcessResult r = RunPiped(sandbox, c.args);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, PipedStartText() + c.message);
    EXPECT_EQ(r.err, "");
  }
}

TEST(CommandLine, ExistingScriptPassesTheParse) {
  // Only the script's existence is looked at before the later bad switch.
  Sandbox sandbox;
  sandbox.WriteScript("clip.avs", "BlankClip(length=10)\n");
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-timelimit=-5"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText() + "\nInvalid parameter value: \"-timelimit=-5\"\n" + kTimeRange);
}

}  // namespace
}  // namespace e2e
