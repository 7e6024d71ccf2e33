#include "bench/round_loop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace bench {
namespace {

// Each clock reading moves on by step; memory and threads go up and back
// down, so only a maximum over the samples gives their peaks.
class FakeRoundProbes final : public RoundProbes {
 public:
  double Seconds() override { return now += step; }
  double CpuSeconds() override { return cpu += 0.25; }
  uint64_t MemoryBytes() override { return memory[memory_reads++ % memory.size()]; }
  int Threads() override { return 3 + static_cast<int>(memory_reads % 2); }

  double now = 0, step = 0.0625, cpu = 0;  // exact in binary
  std::vector<uint64_t> memory = {10, 30, 20};
  size_t memory_reads = 0;
};

struct Requests {
  std::vector<uint32_t>* seen;
  void operator()(uint32_t n) const {
    if (n == 13) throw std::runtime_error("frame 13");
    seen->push_back(n);
  }
};

TEST(RoundLoop, RequestsWholeBatchesUntilTheTimeHasPassedAndContinuesTheCount) {
  std::vector<uint32_t> seen;
  FakeRoundProbes probes;
  const auto number = [](uint64_t k) { return 100 + k; };
  uint64_t k = 0;
  // Four batches of 0.0625 s reach 0.25 s: 4 batches of 3.
  RoundFigures first = RunRound(Requests{&seen}, number, &k, 3, 0.25, probes);
  EXPECT_EQ(first.frames, 12u);
  EXPECT_EQ(k, 12u);
  EXPECT_DOUBLE_EQ(first.wall_seconds, 0.25);
  EXPECT_DOUBLE_EQ(first.cpu_seconds, 0.25);
  // Sampled at the start, after 0.125 s and 0.25 s, and at the end.
  EXPECT_EQ(first.peak_memory_bytes, 30u);
  EXPECT_EQ(first.threads, 4);
  // A round shorter than a batch still requests one.
  RoundFigures second = RunRound(Requests{&seen}, number, &k, 2, 0, probes);
  EXPECT_EQ(second.frames, 2u);
  ASSERT_EQ(seen.size(), 14u);
  EXPECT_EQ(seen.front(), 100u);
  EXPECT_EQ(seen.back(), 113u);
}

TEST(RoundLoop, AFailingFrameEndsTheRoundWithItsError) {
  std::vector<uint32_t> seen;
  FakeRoundProbes probes;
  uint64_t k = 0;
  EXPECT_THROW(RunRound(Requests{&seen}, [](uint64_t i) { return i; }, &k, 5, 10, probes),
               std::runtime_error);
  EXPECT_EQ(seen.size(), 13u);
  EXPECT_EQ(k, 13u);
}

}  // namespace
}  // namespace bench
