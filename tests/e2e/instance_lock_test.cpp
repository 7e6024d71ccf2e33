// The single-instance lock: held to the very end of the holder (its exit
// pause included), released by the system however it ends.
#include <signal.h>

#include "e2e_common.h"

namespace e2e {
namespace {

void ExpectConsole(const Sandbox& sandbox, const std::string& err) {
  ProcessResult r = RunPiped(sandbox, {"-log"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out + "|" + r.err, "|" + err);
}

TEST(InstanceLock, SecondInstanceIsRefusedWhileTheFirstPauses) {
  const std::string runs_free = kStart + "\nNo script file specified\n";
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder ends");
    Sandbox holder_box({.settings = {{"AllowOnlyOneInstance", "1"}, {"PauseBeforeExit", "1"}}});
    TerminalSession holder(holder_box, {});
    ASSERT_TRUE(holder.WaitForText("Press any key to exit...")) << holder.ScreenText();
    Sandbox locking({.settings = {{"AllowOnlyOneInstance", "1"}}});
    if (!killed) {
      // The banner and library line come first; the command line is never read.
      ExpectConsole(locking, kStart + "\nOne instance of Korbinet is already running\n");
      ExpectConsole(Sandbox(), runs_free);  // AllowOnlyOneInstance=0
      // A failed probe is reported instead of the refusal.
      const std::string missing = locking.Path("gone/libavisynth.so");
      locking.WriteSettings({{"AllowOnlyOneInstance", "1"}, {"AVSDLL", missing}});
      ExpectConsole(locking, "\nKorbinet 2.1.6 (x64)\n\rQuery Avisynth info...\rSpecified avisynth.dll does not exist:\n"
                             + missing + "\n");
      locking.WriteSettings({{"AllowOnlyOneInstance", "1"}});
      holder.SendKeys("x");
    } else kill(holder.Pid(), SIGKILL);
    ASSERT_TRUE(holder.WaitForExit().ended);
    ExpectConsole(locking, runs_free);  // the lock did not outlive its holder
  }
}

}  // namespace
}  // namespace e2e
