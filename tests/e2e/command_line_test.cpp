// Rejected command lines through the real program: one case per message,
// byte for byte, with status 255. The parser's edge cases are unit-tested.
#include "e2e_common.h"

namespace e2e {
namespace {

struct RejectCase {
  std::vector<std::string> args;
  std::string message;
  std::map<std::string, std::string> settings = {};
};

TEST(CommandLine, RejectedArgumentsGoToStandardErrorWithStatus255) {
  const std::string priority = "Value must be between 1 and 3\n", time = "Value must be between 1 and 999999\n";
  const std::vector<RejectCase> cases = {
      {{"-priority=4"}, "\nInvalid parameter value: \"-priority=4\"\n" + priority},
      {{"-timelimit=0"}, "\nInvalid parameter value: \"-timelimit=0\"\n" + time},
      {{"-RANGE=1,2,3"}, "\nInvalid parameter format: \"-RANGE=1,2,3\"\n"},
      {{"missing.avs"}, "\nFile not found: \"missing.avs\"\n"},
      {{"-Foo"}, "\nInvalid argument: \"-Foo\"\n"},
      {{"myscript"}, "\nFile not found: \"myscript.avs\"\n", {{"AutoCompleteExtension", "1"}}},
      // The first rejected argument ends the parse.
      {{"missing.avs", "-priority=9"}, "\nFile not found: \"missing.avs\"\n"},
      {{" -LOG ", "-csv", "-i", "-range=0,-1", "-priority=3", "-timelimit=999999"},
       "\nNo script file specified\n"},
  };
  Sandbox sandbox;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    sandbox.WriteSettings(c.settings);
    ProcessResult r = RunPiped(sandbox, c.args);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, PipedStartText() + c.message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace e2e
