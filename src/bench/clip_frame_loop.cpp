#include "bench/clip_frame_loop.h"

#include "measure/gpu_info.h"
#include "measure/process_info.h"
#include "measure/timer.h"
#include "platform/console.h"
#include "platform/stop_request.h"

namespace bench {

double SystemLoopProbes::Seconds() { return measure::CounterSeconds(); }

void SystemLoopProbes::RefreshProcess() { process_.Refresh(); }

ProcessFigures SystemLoopProbes::Process() {
  ProcessFigures figures;
  figures.cpu_usage = process_.cpu_usage;
  figures.thread_count = process_.thread_count;
  figures.physical_memory = process_.physical_memory;
  figures.virtual_memory = process_.virtual_memory;
  return figures;
}

void SystemLoopProbes::RefreshGpu() {
  if (gpu_ != nullptr) gpu_->RefreshSensors();
}

GpuFigures SystemLoopProbes::Gpu() { return gpu_ != nullptr ? GpuFiguresOf(*gpu_) : GpuFigures{}; }

bool SystemLoopProbes::KeyHit() { return keyboard_.KeyHit(); }

int SystemLoopProbes::ReadKey() { return keyboard_.ReadKey(); }

bool SystemLoopProbes::StopRequestKept() {
  // Until the first page the cursor sits on the status line; after a page,
  // two rows below the hint.
  if (notice_ != nullptr) notice_->PlaceAbove(2);
  return platform::StopRequestKept();
}

void RunClipFrameLoop(const avs_host::AvsFrameSource& frames, const FrameRange& range,
                      uint32_t interval, const FrameLoopOptions& options, measure::GpuMonitor* gpu,
                      FrameLoopState& state, console::Console& console) {
  PrepareFrameLoop(range, interval, options, state, console);
  measure::ProcessStats process;
  platform::StopNotice notice(kStoppingNotice, options.messages_to_stdout);
  SystemLoopProbes probes(process, options.monitor_gpu ? gpu : nullptr, console.Keys(), &notice);
  {
    platform::Keyboard::Mode keyboard(console.Keys());
    std::visit([&](auto source) { RunFrameLoop(source, state, options, probes, console); }, frames);
  }
  process.CloseProcessHandle();
  if (options.monitor_gpu && gpu != nullptr) gpu->CloseSharedMemory();
}

}  // namespace bench
