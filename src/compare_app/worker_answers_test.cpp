#include "compare_app/worker_answers.h"

#include <gtest/gtest.h>

#include <tuple>

namespace compare_app {
namespace {

using Fields = std::vector<std::string>;

TEST(WorkerAnswers, ReadsWellFormedAnswers) {
  ReadyAnswer ready;
  compare::Round round;
  compare::StageFigures stage;
  ASSERT_TRUE(ReadReady({"ready", "0", "3999", "16", "AviSynth+ 3.7.5", ""}, &ready));
  ASSERT_TRUE(ReadRound({"round", "1234", "1.00012", "0.5", "1048576", "3"}, &round));
  ASSERT_TRUE(ReadStage({"stage", "Source\tA", "7", "2.5e-05", "0.25"}, &stage));
  EXPECT_EQ(std::tie(ready.last, ready.interval, ready.version_string), std::make_tuple(3999, 16u, "AviSynth+ 3.7.5"));
  EXPECT_EQ(std::tie(round.frames, round.wall_seconds, round.peak_memory_bytes, round.threads),
            std::make_tuple(1234u, 1.00012, 1048576u, 3));
  EXPECT_EQ(std::tie(stage.name, stage.calls, stage.self_seconds), std::make_tuple("Source\tA", 7u, 2.5e-05));
}

// A damaged or foreign line must never become figures.
TEST(WorkerAnswers, RefusesWhatIsNotTheAnswer) {
  ReadyAnswer ready;
  compare::Round round;
  compare::StageFigures stage;
  for (const Fields& f : {Fields{"round", "1", "1", "0", "0", "1"}, Fields{"ready", "0", "9", "1", "v"},
                          Fields{"ready", "9", "0", "1", "", ""}, Fields{"ready", "0", "9x", "1", "", ""}}) {
    EXPECT_FALSE(ReadReady(f, &ready)) << UnexpectedAnswer(f);
  }
  for (const Fields& f : {Fields{"round", "1", "nan", "0", "0", "1"}, Fields{"round", "1", "-1", "0", "0", "1"},
                          Fields{"round", "-1", "1", "0", "0", "1"}, Fields{"round", "1", "1,5", "0", "0", "1"},
                          Fields{"round", "1", "1", "0", "0", ""}, Fields{"stage", "a", "1", "0", "0"}}) {
    EXPECT_FALSE(ReadRound(f, &round)) << UnexpectedAnswer(f);
  }
  EXPECT_FALSE(ReadStage({"stage", "a", "1", "0"}, &stage));
  EXPECT_EQ(UnexpectedAnswer({"hello", "a\tb"}), "the worker answered something unexpected: hello\ta\\tb");
}

}  // namespace
}  // namespace compare_app
