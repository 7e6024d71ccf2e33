#include "compare_app/compare_program.h"

#include <gtest/gtest.h>

namespace compare_app {
namespace {

TEST(CompareProgram, AFailedVariantWinsOverTheGate) {
  compare::CompareResult r;
  std::string error;
  ASSERT_TRUE(compare::ParseCompareOptions({"--fail-if-slower", "5", "a.avs", "b.avs", "c.avs"}, &r.options, &error));
  r.outcomes.resize(3);
  EXPECT_EQ(FinalStatus(r, false), kStatusDone);
  EXPECT_EQ(FinalStatus(r, true), kStatusVariantFailed);
  r.outcomes[1].comparison = {.variant = 1, .pairs = 10, .ratio = 0.8, .low = 0.78, .high = 0.82,
                              .verdict = compare::Verdict::kSlower};
  EXPECT_EQ(FinalStatus(r, false), kStatusGate);
  r.outcomes[2].error = "Script error";
  EXPECT_EQ(FinalStatus(r, false), kStatusVariantFailed);
}

}  // namespace
}  // namespace compare_app
