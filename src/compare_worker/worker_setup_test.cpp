#include "compare_worker/worker_setup.h"

#include <gtest/gtest.h>

namespace compare_worker {
namespace {

TEST(WorkerSetup, TakesTheLibraryFromACurrentSettingsFileOnly) {
  const std::string file =
      "[Main]\r\nVersion=2.1.6\r\nAVSDLL=/old.so\r\n Avs Dll = /opt/my lib/libavisynth.so \r\n"
      "InvokeDistributor=0\r\n";
  const WorkerSettings current = SettingsFromText(file, "2.1.6");
  EXPECT_TRUE(current.avsdll == "/opt/my lib/libavisynth.so" && !current.invoke_distributor) << current.avsdll;
  // korbinet replaces another version's file with the defaults.
  const WorkerSettings other = SettingsFromText(file, "2.1.7");
  EXPECT_TRUE(other.avsdll == "" && other.invoke_distributor) << other.avsdll;
}

TEST(WorkerSetup, FindsPrefetchCalledOutsideComments) {
  const struct { const char* script; bool calls; } cases[] = {
      {"BlankClip()\nPrefetch(4)\n", true},
      {"BlankClip().PREFETCH(2)", true},
      {"c = BlankClip()\nprefetch", true},
      {"BlankClip() # Prefetch(4)\n", false},
      {"# Prefetch(4)\nBlankClip()", false},
      {"BlankClip()\nMyPrefetch(4)\nPrefetch_Done(2)\nprefetch2()", false},
      {"BlankClip()", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ScriptCallsPrefetch(c.script), c.calls) << c.script;
}

}  // namespace
}  // namespace compare_worker
