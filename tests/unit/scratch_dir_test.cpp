// Tests of the same name run in several processes at once on one machine;
// each scratch folder must belong to its owner alone.
#include "platform/testing/scratch_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(ScratchDir, AnotherOneNeverTakesOrEmptiesTheFirst) {
  ScratchDir first;
  ScratchDir::Write(first.File("s.avs"), "BlankClip()\n");
  {
    ScratchDir second;
    EXPECT_NE(second.File("s.avs"), first.File("s.avs"));
  }
  EXPECT_EQ(ScratchDir::Read(first.File("s.avs")), "BlankClip()\n");
}

}  // namespace
