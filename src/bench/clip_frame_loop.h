// The frame loop over the run's loaded clip, with the real clock, process
// statistics, GPU monitor and keyboard.
#pragma once

#include <cstdint>

#include "avs_host/frame_source.h"
#include "bench/frame_loop.h"

class CGPUInfo;
class CProcessInfo;

class SystemLoopProbes final : public LoopProbes {
 public:
  // gpu may be null when GPU monitoring is off.
  SystemLoopProbes(CProcessInfo& process, CGPUInfo* gpu) : process_(process), gpu_(gpu) {}
  double Seconds() override;
  void RefreshProcess() override;
  ProcessFigures Process() override;
  void RefreshGpu() override;
  GpuFigures Gpu() override;
  bool KeyHit() override;
  int ReadKey() override;

 private:
  CProcessInfo& process_;
  CGPUInfo* gpu_;
};

// Status line, sizing, the loop (keyboard in key-by-key mode for its whole
// length), then the process handle and, with GPU monitoring, the shared
// memory closed. Exceptions from the clip leave at once; state keeps what was
// measured. Releasing the clip and deleting the environment is the caller's.
// The loop is instantiated for each binding's frame source: the choice is
// made once, never per frame.
void RunClipFrameLoop(const AvsFrameSource& frames, const FrameRange& range,
                      uint32_t interval, const FrameLoopOptions& options, CGPUInfo* gpu,
                      FrameLoopState& state, Console& console);
