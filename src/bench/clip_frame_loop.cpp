#include "bench/clip_frame_loop.h"

#include "measure/gpu_info.h"
#include "measure/process_info.h"
#include "measure/timer.h"
#include "platform/console.h"
#include "platform/stop_request.h"

double SystemLoopProbes::Seconds() { return CounterSeconds(); }

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

bool SystemLoopProbes::KeyHit() { return platform::KeyHit(); }

int SystemLoopProbes::ReadKey() { return platform::ReadKey(); }

bool SystemLoopProbes::StopRequestKept() {
  // Until the first page the cursor sits on the status line; after a page,
  // two rows below the hint.
  if (notice_ != nullptr) notice_->PlaceAbove(2);
  return platform::StopRequestKept();
}

void RunClipFrameLoop(const AvsFrameSource& frames, const FrameRange& range,
                      uint32_t interval, const FrameLoopOptions& options, GpuMonitor* gpu,
                      FrameLoopState& state, Console& console) {
  PrepareFrameLoop(range, interval, options, state, console);
  ProcessStats process;
  platform::StopNotice notice(kStoppingNotice, options.messages_to_stdout);
  SystemLoopProbes probes(process, options.monitor_gpu ? gpu : nullptr, &notice);
  {
    platform::KeyboardMode keyboard;
    std::visit([&](auto source) { RunFrameLoop(source, state, options, probes, console); }, frames);
  }
  process.CloseProcessHandle();
  if (options.monitor_gpu && gpu != nullptr) gpu->CloseSharedMemory();
}
