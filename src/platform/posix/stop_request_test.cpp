#include "platform/stop_request.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/testing/scratch_dir.h"

namespace platform {
namespace {

// Each body runs in a child of its own (a death test): how the child ends is what is checked. The
// end-to-end tests show a request ending the program at once, and a second one during the run.
TEST(StopRequestDeathTest, WhenARequestEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct { const char* what; void (*body)(); std::function<bool(int)> ending; const char* printed; } kCases[] = {
      {"inside: kept until the outermost deferral ends",
       [] {
         InstallStopHandlers();
         {
           StopDeferral outer;
           {
             StopDeferral inner;
             raise(SIGHUP);
             std::fputs(StopRequestKept() ? "kept, " : "lost, ", stderr);
           }
           std::fputs("inner ended", stderr);
         }
         std::fputs(", outer ended", stderr);
         _exit(0);
       },
       testing::KilledBySignal(SIGHUP), "^kept, inner ended$"},
      {"a request the caller ignores stays ignored",
       [] {
         signal(SIGHUP, SIG_IGN);
         InstallStopHandlers();
         raise(SIGHUP);
         _exit(3);
       },
       testing::ExitedWithCode(3), "^$"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EXIT(c.body(), c.ending, c.printed);
  }
}

TEST(StopRequestDeathTest, EndingAtOnceRemovesTheFileBeingWritten) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScratchDir dir;
  // The threadsafe style runs this body again in a fresh process, whose
  // scratch folder is a new one: the file's name reaches it by environment.
  static std::string path;
  const char* inherited = std::getenv("KORBINET_TEST_HALF_WRITTEN");
  path = inherited ? inherited : dir.File(".a.log.XXXXXX");
  setenv("KORBINET_TEST_HALF_WRITTEN", path.c_str(), 1);
  ScratchDir::Write(path, "half");
  EXPECT_EXIT(
      {
        InstallStopHandlers();
        StopDeferral deferral;
        deferral.RemoveIfEndedAtOnce(path.c_str());
        raise(SIGTERM);
        raise(SIGTERM);
        _exit(0);
      },
      testing::KilledBySignal(SIGTERM), "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace platform
