// The start of every run through pipes: exact texts, so no colours and no padding.
#include "e2e_common.h"

namespace e2e {
namespace {

TEST(Startup, NoArgumentsPrintsBannerLibraryLineAndUsage) {
  // ConUseSTDOUT moves the console text, usage stays; AVSDLL is used as written, spaces kept.
  for (const std::string key : {"", "ConUseSTDOUT", "AVSDLL"}) {
    SCOPED_TRACE(key);
    Sandbox sandbox;
    if (!key.empty()) sandbox.WriteSettings({{key, key == "AVSDLL" ? sandbox.InstallLibrary("standard", "My Libs") : "1"}});
    ProcessResult r = RunPiped(sandbox, {});
    const bool to_stdout = key == "ConUseSTDOUT";
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, (to_stdout ? PipedStartText() : "") + UsageText());
    EXPECT_EQ(r.err, to_stdout ? "" : PipedStartText());
  }
}

}  // namespace
}  // namespace e2e
