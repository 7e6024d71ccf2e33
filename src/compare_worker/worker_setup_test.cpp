#include "compare_worker/worker_setup.h"

#include <gtest/gtest.h>

namespace compare_worker {
namespace {

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
