#include "measure/stage_times.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

namespace measure {

namespace {

// name calls inclusive self, one stage a line.
std::string FiguresText(const StageTimes& times) {
  std::string text;
  for (const StageFigures& f : times.Figures())
    text += f.name + " " + std::to_string(f.calls) + " " + std::to_string(f.inclusive_ns) + " " +
            std::to_string(f.self_ns) + "\n";
  return text;
}

// Requests driven with made-up clock readings (nanoseconds).
TEST(StageTimes, NestedRequestsOnOneThreadLeaveTheirTimeOutOfTheOutersSelfTime) {
  StageTimes times;
  StageTimes::Stage* source = times.Add("source");
  StageTimes::Stage* resize = times.Add("resize");
  StageTimes::Stage* blur = times.Add("blur");
  EXPECT_EQ(times.Add("resize"), resize);  // a second marker of a name adds to the first

  // blur [0,1000] holds resize [100,700], which holds source [200,500]; then
  // a second resize [750,900] holding nothing.
  StageRequest outer(blur, 0);
  {
    StageRequest middle(resize, 100);
    StageRequest inner(source, 200);
    inner.Finish(500);
    middle.Finish(700);
  }
  StageRequest again(resize, 750);
  again.Finish(900);
  outer.Finish(1000);
  // A request after the stack emptied is nobody's nested time.
  StageRequest alone(source, 2000);
  alone.Finish(2040);
  // One left by an exception counts nothing and leaves the stack: the next
  // request nests in the live outer one, not in the dead one.
  {
    StageRequest holder(blur, 3000);
    try {
      StageRequest failed(resize, 3010);
      throw 1;
    } catch (int) {
    }
    StageRequest after(source, 3100);
    after.Finish(3110);
    holder.Finish(3200);
  }

  EXPECT_EQ(FiguresText(times), "source 3 350 350\nresize 2 750 450\nblur 2 1200 440\n");
  EXPECT_FALSE(times.ManyThreads());
}

TEST(StageTimes, RequestsOnAnotherThreadAreNotNestedButSummed) {
  StageTimes times;
  StageTimes::Stage* slow = times.Add("slow");
  StageTimes::Stage* fast = times.Add("fast");
  StageRequest outer(slow, 0);
  // While this thread's request is open, a worker passes both markers, one
  // inside the other.
  std::thread([&] {
    StageRequest worker_outer(slow, 10);
    StageRequest worker_inner(fast, 20);
    worker_inner.Finish(50);
    worker_outer.Finish(60);
  }).join();
  StageRequest inner(fast, 100);
  inner.Finish(400);
  outer.Finish(1000);

  // slow: 1000 + 50 inclusive, (1000 - 300) + (50 - 30) its own; fast: 300 + 30.
  EXPECT_EQ(FiguresText(times), "slow 2 1050 720\nfast 2 330 330\n");
  EXPECT_TRUE(times.ManyThreads());
  // A later use counts its threads afresh.
  StageTimes next;
  StageRequest one(next.Add("x"), 0);
  one.Finish(1);
  EXPECT_FALSE(next.ManyThreads());
}

TEST(StageTimes, ThreadsBeyondTheSlotsStillCountTheirRequestsWhole) {
  StageTimes times;
  StageTimes::Stage* outer = times.Add("outer");
  StageTimes::Stage* inner = times.Add("inner");
  const size_t threads = StageTimes::kThreadSlots + 8;
  // Every thread stays alive until all have requested, so no id is reused
  // and every slot is taken by the time the last ones arrive.
  std::latch all_requested(static_cast<std::ptrdiff_t>(threads));
  std::vector<std::thread> pool;
  for (size_t i = 0; i < threads; ++i) {
    pool.emplace_back([&] {
      StageRequest o(outer, 0);
      StageRequest n(inner, 10);
      n.Finish(30);
      o.Finish(100);
      all_requested.arrive_and_wait();
    });
  }
  for (std::thread& t : pool) t.join();
  // Slotted threads: outer self 80; the rest cannot nest, so outer self 100.
  const size_t slotted = StageTimes::kThreadSlots;
  const std::string expected =
      "outer " + std::to_string(threads) + " " + std::to_string(threads * 100) + " " +
      std::to_string(slotted * 80 + (threads - slotted) * 100) + "\ninner " +
      std::to_string(threads) + " " + std::to_string(threads * 20) + " " +
      std::to_string(threads * 20) + "\n";
  EXPECT_EQ(FiguresText(times), expected);
  EXPECT_TRUE(times.ManyThreads());
}

TEST(StageTimes, TableLines) {
  const std::vector<StageFigures> stages = {
      {"resize", 2000, 8040000000, 6024000000},
      {"blur", 2000, 2008000000, 2008000000},
  };
  // 2000 frames in 8.032 s.
  EXPECT_EQ(StageTableLines(stages, false, 2000, 8032),
            (std::vector<std::string>{
                "Stage times:",
                "Stage                 Calls  Self ms/frame  Incl ms/frame   Share",
                "resize                 2000          3.012          4.020  75.0 %",
                "blur                   2000          1.004          1.004  25.0 %",
            }));
  // A longer name widens the column; a name is data, never a format.
  const std::string odd = "\"%s %d 100 %\" </script> and more";
  EXPECT_EQ(StageTableLines({{odd, 3, 9000000, 6000000}}, true, 3, 2),
            (std::vector<std::string>{
                "Stage times (summed over threads, so shares can exceed 100 %):",
                "Stage                             Calls  Self ms/frame  Incl ms/frame   Share",
                odd + "      3          2.000          3.000 300.0 %",
            }));
  // No frames and no wall time give zeros, not a division by zero.
  EXPECT_EQ(StageTableLines({{"x", 0, 0, 0}}, false, 0, 0)[2],
            "x                         0          0.000          0.000   0.0 %");
}

}  // namespace

}  // namespace measure
