// The start of every run: banner, library line, usage and the exit statuses,
// through pipes (no terminal, so no colours and no padding).
#include <gtest/gtest.h>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

TEST(Startup, NoArgumentsPrintsBannerLibraryLineAndUsage) {
  Sandbox sandbox;
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText());
  EXPECT_EQ(r.out, UsageText());
}

}  // namespace
}  // namespace e2e
