// The start of every run through pipes (no terminal: no colours, no padding).
#include "e2e_common.h"

namespace e2e {
namespace {

struct StartCase {
  std::string name;
  std::map<std::string, std::string> settings;
  bool to_stdout;
};

TEST(Startup, NoArgumentsPrintsBannerLibraryLineAndUsage) {
  const std::vector<StartCase> cases = {
      {"defaults", {}, false},
      {"ConUseSTDOUT moves the console text, usage stays", {{"ConUseSTDOUT", "1"}}, true},
      // The path is used as written, spaces and case kept.
      {"AVSDLL with spaces", {{"AVSDLL", "My Libs/libavisynth.so"}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    auto settings = c.settings;
    if (settings.count("AVSDLL")) settings["AVSDLL"] = sandbox.InstallLibrary("standard", "My Libs");
    sandbox.WriteSettings(settings);
    ProcessResult r = RunPiped(sandbox, {});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, (c.to_stdout ? PipedStartText() : "") + UsageText());
    EXPECT_EQ(r.err, c.to_stdout ? "" : PipedStartText());
  }
}

TEST(Startup, NoEscapeBytesWhenOutputIsNotATerminal) {
  Sandbox sandbox({.settings = {{"UseColor", "1"}}});
  ProcessResult r = RunPiped(sandbox, {"-priority=7"});
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << Describe(r);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << Describe(r);
}

}  // namespace
}  // namespace e2e
