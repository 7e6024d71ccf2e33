// Where a script's time goes, stage by stage: what the KorbinetStage markers
// gather while frames pass through them, and the table made of it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace measure {

class StageRequest;

// A stage's figures as read after the run; times in nanoseconds, summed over
// every thread that requested frames through the stage's markers.
struct StageFigures {
  std::string name;
  uint64_t calls = 0;
  int64_t inclusive_ns = 0;
  int64_t self_ns = 0;
};

// The stages of one script use. Stages are added on the main thread while
// the script is imported; requests come from any thread the library runs
// (Prefetch workers too), so the counters are atomics.
class StageTimes {
 public:
  class Stage {
   public:
    Stage(std::string name, StageTimes* owner) : name_(std::move(name)), owner_(owner) {}

   private:
    friend class StageTimes;
    friend class StageRequest;
    std::string name_;
    StageTimes* owner_;
    std::atomic<uint64_t> calls_{0};
    std::atomic<int64_t> inclusive_ns_{0};
    std::atomic<int64_t> self_ns_{0};
  };

  // At most this many threads keep a stack of requests; requests on threads
  // beyond them are counted whole, as if nothing nested in them.
  static constexpr size_t kThreadSlots = 256;

  StageTimes();
  StageTimes(const StageTimes&) = delete;
  StageTimes& operator=(const StageTimes&) = delete;

  // A marker of the same name adds to the stage made first, so that a stage
  // keeps its place in script order. The address stays valid while this
  // object lives.
  Stage* Add(const std::string& name);
  // True once the script created a marker, even one no frame went through.
  bool Used() const { return !stages_.empty(); }
  // More than one thread requested frames through markers.
  bool ManyThreads() const { return thread_count_.load(std::memory_order_relaxed) > 1; }
  // In script order.
  std::vector<StageFigures> Figures() const;

 private:
  friend class StageRequest;
  // The innermost request in progress on one thread. A slot is claimed once
  // by its thread and from then on written by that thread only.
  struct ThreadSlot {
    std::atomic<std::thread::id> thread{};
    StageRequest* current = nullptr;
  };
  // Null when every slot belongs to another thread.
  ThreadSlot* SlotOfThisThread();

  std::deque<Stage> stages_;
  std::unique_ptr<ThreadSlot[]> slots_;
  std::atomic<int> thread_count_{0};
};

// One frame request through a marker, from its start to its end on the same
// thread. The requests active on a thread form a stack, kept in the thread's
// slot of the StageTimes: the library calls markers on its own threads, and
// nothing else tells a nested request from the outer one on the same thread.
// A request must end before its outer one does, as nested calls do.
class StageRequest {
 public:
  StageRequest(StageTimes::Stage* stage, int64_t start_ns);
  // A request left by an exception is not counted, but it leaves the stack
  // all the same: the thread's next request must not nest in a dead one.
  ~StageRequest();
  StageRequest(const StageRequest&) = delete;
  StageRequest& operator=(const StageRequest&) = delete;
  // Adds the call to the stage; the time also counts as nested in the outer
  // request, whose self time loses it.
  void Finish(int64_t end_ns);

 private:
  StageTimes::Stage* stage_;
  int64_t start_ns_;
  int64_t nested_ns_ = 0;
  StageTimes::ThreadSlot* slot_;
  StageRequest* outer_;
};

// The table printed after the summary and written to the log: a caption, the
// column heads and a row per stage. frames is the count the loop requested,
// wall_ms its wall time.
std::vector<std::string> StageTableLines(const std::vector<StageFigures>& stages,
                                         bool many_threads, uint32_t frames, int64_t wall_ms);

}  // namespace measure
