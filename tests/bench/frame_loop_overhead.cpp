// What the frame loop adds per frame on top of a bare GetFrame-and-release
// loop, against the bundled frame server's cheapest clip.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "avs_host/avs_library.h"
#include "bench/clip_frame_loop.h"
#include "bench/frame_loop.h"
#include "measure/process_info.h"
#include "measure/timer.h"
#include "platform/fault_guard.h"

namespace {

// Long enough that the loop's fixed costs (the sample array, the first
// process sample) do not pass for per-frame cost.
constexpr int kClipFrames = 10000000;

// One environment and clip for the whole process: loading the library per
// benchmark would only measure the loader.
struct BlankClipFixture {
  AvsLibrary library{KORBINET_BENCH_AVS_LIBRARY};
  IScriptEnvironment* env = nullptr;
  PClip clip;

  BlankClipFixture() {
    if (library.Load() && library.FindFactory() && library.CreateEnvironment(6))
      env = library.env();
    if (env == nullptr) {
      std::fprintf(stderr, "cannot load %s\n", KORBINET_BENCH_AVS_LIBRARY);
      std::exit(1);
    }
    const AVSValue values[] = {AVSValue(kClipFrames), AVSValue(16), AVSValue(16),
                               AVSValue("Y8")};
    const char* const names[] = {"length", "width", "height", "pixel_type"};
    clip = env->Invoke("BlankClip", AVSValue(values, 4), names).AsClip();
  }
  ~BlankClipFixture() {
    clip = static_cast<IClip*>(nullptr);
    library.Release();
  }
};

BlankClipFixture& Fixture() {
  static BlankClipFixture fixture;
  return fixture;
}

class SilentConsole final : public ConsoleSink {
 public:
  void Print(uint16_t, const std::string&) override {}
  void MoveUp(int) override {}
};

void BareGetFrame(benchmark::State& state) {
  BlankClipFixture& f = Fixture();
  IClip* clip = f.clip.get();
  for (auto _ : state) {
    for (int n = 0; n < kClipFrames; ++n) clip->GetFrame(n, f.env);
  }
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}

void FrameLoop(benchmark::State& state) {
  BlankClipFixture& f = Fixture();
  ClipFrameSource source{f.clip.get(), f.env};
  SilentConsole console;
  FrameLoopOptions options;
  options.show_status = false;
  CProcessInfo process;
  SystemLoopProbes probes(process, nullptr);
  const FrameRange range{0, kClipFrames - 1, kClipFrames};
  for (auto _ : state) {
    FrameLoopState loop;
    PrepareFrameLoop(range, static_cast<uint32_t>(state.range(0)), options, loop, console);
    RunFrameLoop(source, loop, options, probes, console);
  }
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}

// One clock reading of a sample: the thread is pinned to the first processor
// and yields twice, which is most of what a sample costs.
void ClockReading(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(g_timer.GetSeconds());
}

BENCHMARK(ClockReading)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareGetFrame)->Unit(benchmark::kMillisecond);
// 20000 is the interval the analysis pass picks for a clip this fast; the
// smaller ones show what each sample costs.
BENCHMARK(FrameLoop)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The usual table, then the cost of each frame-loop run next to the bare loop.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
      ns_per_frame_[run.benchmark_name()] =
          run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations) / kClipFrames;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto bare = ns_per_frame_.find("BareGetFrame");
    if (bare == ns_per_frame_.end()) return;
    std::printf("\nper frame: bare GetFrame loop %.1f ns\n", bare->second);
    for (const auto& [name, ns] : ns_per_frame_) {
      if (name == bare->first || name.rfind("ClockReading", 0) == 0) continue;
      std::printf("per frame: %-20s %.1f ns  (%.3f x bare)\n", name.c_str(), ns,
                  ns / bare->second);
    }
  }

 private:
  std::map<std::string, double> ns_per_frame_;
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
