// What a KorbinetStage marker adds to a frame request: requests through 0, 1
// and 3 markers on the bundled frame server's cheapest clip, through either
// interface. The difference per marker, divided by the items, is its cost.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "bench_script.h"
#include "measure/stage_times.h"

namespace {

constexpr int kClipFrames = 1000000;

// One library use per interface and marker count, kept for the process:
// loading per benchmark would only measure the loader.
struct MarkedClip {
  measure::StageTimes times;
  avs_host::AvsLibrary library;
  avs_host::AvsFrameSource source;

  MarkedClip(avs_host::AvsInterface kind, int markers) : library(KORBINET_BENCH_AVS_LIBRARY, kind) {
    benchmarks::LoadOrExit(library);
    if (!library.binding().AddStageMarker(&times)) {
      std::fprintf(stderr, "cannot add KorbinetStage\n");
      std::exit(1);
    }
    std::string script = benchmarks::BlankClipLine(kClipFrames);
    for (int i = 0; i < markers; ++i) script += "KorbinetStage(\"s" + std::to_string(i) + "\")\n";
    source = benchmarks::ImportScriptText(library, script);
  }
};

MarkedClip& Clip(avs_host::AvsInterface kind, int markers) {
  static std::map<std::pair<avs_host::AvsInterface, int>, std::unique_ptr<MarkedClip>> clips;
  auto& clip = clips[{kind, markers}];
  if (!clip) clip = std::make_unique<MarkedClip>(kind, markers);
  return *clip;
}

template <avs_host::AvsInterface kKind>
void RequestsThroughMarkers(benchmark::State& state) {
  MarkedClip& clip = Clip(kKind, static_cast<int>(state.range(0)));
  std::visit(
      [&state](auto source) {
        for (auto _ : state) {
          for (uint32_t n = 0; n < kClipFrames; ++n) source(n);
        }
      },
      clip.source);
  state.SetItemsProcessed(state.iterations() * kClipFrames);
}

BENCHMARK(RequestsThroughMarkers<avs_host::AvsInterface::kCpp>)->Arg(0)->Arg(1)->Arg(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RequestsThroughMarkers<avs_host::AvsInterface::kC>)->Arg(0)->Arg(1)->Arg(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
