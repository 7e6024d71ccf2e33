// What the frame loop adds per frame on top of a bare GetFrame-and-release
// loop, against the bundled frame server's cheapest clip.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "avs_host/cpp_binding.h"
#include "bench/clip_frame_loop.h"
#include "bench/frame_loop.h"
#include "bench/round_loop.h"
#include "compare/schedule.h"
#include "measure/process_info.h"
#include "measure/timer.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/fault_guard.h"
#include "bench_script.h"

namespace {

// Long enough that the loop's fixed costs (the sample array, the first
// process sample) do not pass for per-frame cost.
constexpr int kClipFrames = 10000000;

// One environment and clip for the whole process: loading the library per
// benchmark would only measure the loader.
struct BlankClipFixture {
  avs_host::AvsLibrary library{KORBINET_BENCH_AVS_LIBRARY, avs_host::AvsInterface::kCpp};
  IScriptEnvironment* env = nullptr;
  PClip clip;

  BlankClipFixture() {
    benchmarks::LoadOrExit(library);
    env = static_cast<avs_host::CppBinding&>(library.binding()).env();
    const AVSValue values[] = {AVSValue(kClipFrames), AVSValue(16), AVSValue(16),
                               AVSValue("Y8")};
    const char* const names[] = {"length", "width", "height", "pixel_type"};
    clip = env->Invoke("BlankClip", AVSValue(values, 4), names).AsClip();
  }
  ~BlankClipFixture() {
    clip = static_cast<IClip*>(nullptr);
    library.Release(nullptr);
  }
};

BlankClipFixture& Fixture() {
  static BlankClipFixture fixture;
  return fixture;
}

// The same clip through the plain C interface, imported from a script since
// that binding invokes nothing else.
struct CBlankClipFixture {
  avs_host::AvsLibrary library{KORBINET_BENCH_AVS_LIBRARY, avs_host::AvsInterface::kC};
  avs_host::CFrameSource source{};

  CBlankClipFixture() {
    benchmarks::LoadOrExit(library);
    source = std::get<avs_host::CFrameSource>(
        benchmarks::ImportScriptText(library, benchmarks::BlankClipLine(kClipFrames)));
  }
};

CBlankClipFixture& CFixture() {
  static CBlankClipFixture fixture;
  return fixture;
}

class SilentConsole final : public console::Console {
 public:
  void Print(uint16_t, const std::string&) override {}
  void PrintToStdout(uint16_t, const std::string&) override {}
  void MoveUp(int) override {}
  int Width() const override { return 0; }
  void WaitAnyKey() override {}
  bool AskYesNo(uint32_t) override { return false; }
  platform::Keyboard& Keys() override { return keyboard_; }

 private:
  platform::Keyboard keyboard_;  // the loop tests it at its sampling points, as the program's does
};

void BareGetFrame(benchmark::State& state) {
  BlankClipFixture& f = Fixture();
  IClip* clip = f.clip.get();
  for (auto _ : state) {
    for (int n = 0; n < kClipFrames; ++n) clip->GetFrame(n, f.env);
  }
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}

void BareCGetFrame(benchmark::State& state) {
  const avs_host::CFrameSource s = CFixture().source;
  for (auto _ : state) {
    for (int n = 0; n < kClipFrames; ++n) s.release_frame(s.get_frame(s.clip, n));
  }
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}

// The clock reading as it was before the POSIX back-end stopped pinning: the
// thread pinned to the first processor around the reading, with a yield after
// each change of the mask. Kept here so that both costs come from one run.
double PinnedSeconds() {
  cpu_set_t previous, first;
  const bool saved = sched_getaffinity(0, sizeof previous, &previous) == 0;
  CPU_ZERO(&first);
  CPU_SET(0, &first);
  sched_setaffinity(0, sizeof first, &first);
  sched_yield();
  int64_t frequency = 0, count = 0;
  platform::CounterFrequency(&frequency);
  platform::ReadCounter(&count);
  if (saved) sched_setaffinity(0, sizeof previous, &previous);
  sched_yield();
  return static_cast<double>(count) / static_cast<double>(frequency);
}

class PinnedClockProbes final : public bench::LoopProbes {
 public:
  explicit PinnedClockProbes(bench::LoopProbes& inner) : inner_(inner) {}
  double Seconds() override { return PinnedSeconds(); }
  void RefreshProcess() override { inner_.RefreshProcess(); }
  bench::ProcessFigures Process() override { return inner_.Process(); }
  void RefreshGpu() override { inner_.RefreshGpu(); }
  bench::GpuFigures Gpu() override { return inner_.Gpu(); }
  bool KeyHit() override { return inner_.KeyHit(); }
  int ReadKey() override { return inner_.ReadKey(); }

 private:
  bench::LoopProbes& inner_;
};

template <bool kPinned, bool kC = false>
void FrameLoop(benchmark::State& state) {
  BlankClipFixture& f = Fixture();
  auto source = [&f] {
    if constexpr (kC) return CFixture().source;
    else return avs_host::CppFrameSource{f.clip.get(), f.env};
  }();
  SilentConsole console;
  bench::FrameLoopOptions options;
  options.show_status = false;
  measure::ProcessStats process;
  bench::SystemLoopProbes system(process, nullptr, console.Keys());
  PinnedClockProbes pinned(system);
  bench::LoopProbes& probes = kPinned ? static_cast<bench::LoopProbes&>(pinned) : system;
  const bench::FrameRange range{0, kClipFrames - 1, kClipFrames};
  for (auto _ : state) {
    bench::FrameLoopState loop;
    bench::PrepareFrameLoop(range, static_cast<uint32_t>(state.range(0)), options, loop, console);
    bench::RunFrameLoop(source, loop, options, probes, console);
  }
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}
void FrameLoopPinnedClock(benchmark::State& state) { FrameLoop<true>(state); }
void FrameLoop(benchmark::State& state) { FrameLoop<false>(state); }
void FrameLoopC(benchmark::State& state) { FrameLoop<false, true>(state); }

// korbinet-compare's round over the same clip: frame numbers from FrameAt,
// batches of the interval, a round of arg milliseconds.
void Round(benchmark::State& state) {
  BlankClipFixture& f = Fixture();
  const avs_host::CppFrameSource source{f.clip.get(), f.env};
  const auto number = [](uint64_t k) {
    return compare::FrameAt(compare::FrameOrder::kForward, 0, kClipFrames - 1, k, 1);
  };
  bench::SystemRoundProbes probes;
  uint64_t k = 0;
  for (auto _ : state) bench::RunRound(source, number, &k, 20000, state.range(0) / 1000.0, probes);
  state.counters["frames"] = static_cast<double>(k);
}

// One clock reading of a sample, as the program takes it and as it was.
void ClockReading(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(measure::CounterSeconds());
}
void ClockReadingPinned(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PinnedSeconds());
}

BENCHMARK(ClockReading)->Unit(benchmark::kMicrosecond);
BENCHMARK(ClockReadingPinned)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareGetFrame)->Unit(benchmark::kMillisecond);
// 20000 is the interval the analysis pass picks for a clip this fast; the
// smaller ones show what each sample costs.
BENCHMARK(FrameLoop)->Arg(1000)->Arg(10000)->Arg(20000)->Arg(5000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BareCGetFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(FrameLoopC)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(Round)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(FrameLoopPinnedClock)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The usual table, then the cost of each frame-loop run next to the bare loop:
// the fastest repetition of each, by wall clock and by processor time, since
// on a shared machine the slower ones mostly measure the neighbours.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
      // A round counts its frames; the others request the whole clip.
      const auto counted = run.counters.find("frames");
      const double frames = counted != run.counters.end()
                                ? counted->second.value
                                : static_cast<double>(run.iterations) * kClipFrames;
      const double per_frame = 1e9 / frames;
      auto [entry, added] = best_.try_emplace(run.benchmark_name(), Figures{1e300, 1e300});
      entry->second.real = std::min(entry->second.real, run.real_accumulated_time * per_frame);
      entry->second.cpu = std::min(entry->second.cpu, run.cpu_accumulated_time * per_frame);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto bare = best_.find("BareGetFrame");
    if (bare == best_.end()) return;
    const Figures base = bare->second;
    std::printf("\nper frame, fastest repetition: bare GetFrame loop %.2f ns (cpu %.2f ns)\n",
                base.real, base.cpu);
    for (const auto& [name, f] : best_) {
      if (name == bare->first || name.rfind("ClockReading", 0) == 0) continue;
      std::printf("%-26s %6.2f ns  %.4f x bare   cpu %6.2f ns  %.4f x bare\n", name.c_str(),
                  f.real, f.real / base.real, f.cpu, f.cpu / base.cpu);
    }
  }

 private:
  struct Figures {
    double real, cpu;
  };
  std::map<std::string, Figures> best_;
};

}  // namespace

int main(int argc, char** argv) {
  platform::InstallFaultHandlers();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
