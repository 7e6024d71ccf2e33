// The frame loop over the run's loaded clip, with the real clock, process
// statistics, GPU monitor and keyboard.
#pragma once

#include <cstdint>

#include "avs_host/frame_source.h"
#include "bench/frame_loop.h"

namespace measure {
class GpuMonitor;
class ProcessStats;
}  // namespace measure
namespace platform {
class Keyboard;
class StopNotice;
}  // namespace platform

namespace bench {

// Written over the page's hint the moment a request to stop arrives: a frame
// that takes minutes cannot be cut short inside the library.
inline constexpr char kStoppingNotice[] = "Stopping after the current frame...";

class SystemLoopProbes final : public LoopProbes {
 public:
  // gpu may be null when GPU monitoring is off; notice when none is shown.
  SystemLoopProbes(measure::ProcessStats& process, measure::GpuMonitor* gpu, platform::Keyboard& keyboard,
                   platform::StopNotice* notice = nullptr)
      : process_(process), gpu_(gpu), keyboard_(keyboard), notice_(notice) {}
  double Seconds() override;
  void RefreshProcess() override;
  ProcessFigures Process() override;
  void RefreshGpu() override;
  GpuFigures Gpu() override;
  bool KeyHit() override;
  int ReadKey() override;
  bool StopRequestKept() override;

 private:
  measure::ProcessStats& process_;
  measure::GpuMonitor* gpu_;
  platform::Keyboard& keyboard_;
  platform::StopNotice* notice_;
};

// Status line, sizing, the loop (the console's keyboard in key-by-key mode
// for its whole length), then the process handle and, with GPU monitoring, the shared
// memory closed. Exceptions from the clip leave at once; state keeps what was
// measured. Releasing the clip and deleting the environment is the caller's.
// The loop is instantiated for each binding's frame source: the choice is
// made once, never per frame.
void RunClipFrameLoop(const avs_host::AvsFrameSource& frames, const FrameRange& range,
                      uint32_t interval, const FrameLoopOptions& options, measure::GpuMonitor* gpu,
                      FrameLoopState& state, console::Console& console);

}  // namespace bench
