// The single-instance lock between processes: held to the very end of the
// holder (its exit pause included), released by the system however it ends.
#include <signal.h>

#include <gtest/gtest.h>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

const std::string kPrompt = "Press any key to exit...";
const std::string kRefusal = "\nOne instance of Korbinet is already running\n";

TEST(InstanceLock, SecondInstanceIsRefusedWhileTheFirstPauses) {
  Sandbox holder_box({.settings = {{"AllowOnlyOneInstance", "1"}, {"PauseBeforeExit", "1"}}});
  TerminalSession holder(holder_box, {});
  ASSERT_TRUE(holder.WaitForText(kPrompt)) << holder.ScreenText();

  Sandbox locking({.settings = {{"AllowOnlyOneInstance", "1"}}});
  ProcessResult refused = RunPiped(locking, {"-log"});
  EXPECT_EQ(refused.exit_status, 255) << Describe(refused);
  // The banner and library line come first; the command line is never read.
  EXPECT_EQ(refused.err, PipedStartText() + kRefusal);
  EXPECT_EQ(refused.out, "");

  Sandbox free_box;  // AllowOnlyOneInstance=0
  ProcessResult allowed = RunPiped(free_box, {});
  EXPECT_EQ(allowed.exit_status, 255) << Describe(allowed);
  EXPECT_EQ(allowed.err, PipedStartText());
  EXPECT_EQ(allowed.out, UsageText());

  holder.SendKeys("x");
  ASSERT_TRUE(holder.WaitForExit().ended);

  ProcessResult after = RunPiped(locking, {});
  EXPECT_EQ(after.err, PipedStartText()) << "the lock outlived its holder";
  EXPECT_EQ(after.out, UsageText());
}

TEST(InstanceLock, KilledHolderReleasesTheLock) {
  Sandbox holder_box({.settings = {{"AllowOnlyOneInstance", "1"}, {"PauseBeforeExit", "1"}}});
  TerminalSession holder(holder_box, {});
  ASSERT_TRUE(holder.WaitForText(kPrompt)) << holder.ScreenText();
  kill(holder.Pid(), SIGKILL);
  ASSERT_TRUE(holder.WaitForExit().ended);

  Sandbox locking({.settings = {{"AllowOnlyOneInstance", "1"}}});
  ProcessResult r = RunPiped(locking, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText());
  EXPECT_EQ(r.out, UsageText());
}

TEST(InstanceLock, FailedProbeIsReportedInsteadOfTheRefusal) {
  Sandbox holder_box({.settings = {{"AllowOnlyOneInstance", "1"}, {"PauseBeforeExit", "1"}}});
  TerminalSession holder(holder_box, {});
  ASSERT_TRUE(holder.WaitForText(kPrompt)) << holder.ScreenText();

  Sandbox second({.settings = {{"AllowOnlyOneInstance", "1"}}});
  const std::string missing = second.Path("gone/libavisynth.so");
  second.WriteSettings({{"AllowOnlyOneInstance", "1"}, {"AVSDLL", missing}});
  ProcessResult r = RunPiped(second, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, Banner() + "\rQuery Avisynth info...\r" + "Specified avisynth.dll does not exist:\n" + missing + "\n");
}

}  // namespace
}  // namespace e2e
