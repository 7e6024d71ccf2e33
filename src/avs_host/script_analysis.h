// The short first pass over a script that chooses the frame loop's sampling
// interval from the measured time per frame.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "avs_host/avs_binding.h"

namespace avs_host {

struct ScriptValues;

// The interval for a measured time per frame (0 when none was measured).
uint32_t SamplingIntervalFor(double ms_per_frame);

// Frames requested from 0 on the binding's clip and dropped, until
// max_seconds have passed by clock() or limit (at least 1) frames were read:
// the pass that measures the time per frame. The caller guards against
// faults; the figures so far stay in *timed when a request throws.
struct FramesTimed {
  uint32_t frames = 0;
  double seconds = 0;
};
template <class Clock>
void TimeFirstFrames(AvsBinding& binding, uint32_t limit, double max_seconds, Clock clock,
                     FramesTimed* timed) {
  std::visit(
      [&](auto source) {
        const double start = clock();
        do {
          source(timed->frames);
          ++timed->frames;
          timed->seconds = clock() - start;
        } while (timed->seconds < max_seconds && timed->frames < limit);
      },
      binding.Frames());
}

// Imports the script in a library use of its own and reads frames from 0 for
// at most 5 seconds. Sets interval from the measured time per frame; false
// (interval 0) with error filled, which may be empty when the library gave
// no reason.
bool AnalyseScript(const std::string& script_path, const std::string& avsdll,
                   int interface_version, bool invoke_distributor, uint32_t* interval,
                   std::string* error, AvsInterface binding = kBuildAvsInterface);

// The analysis's clip, in korbinet's analysis and in korbinet-compare's
// worker: OpenScriptClip, and a result that is no clip or has no video is
// the error "Script did not return a video clip:\n(<path>)". As there,
// errors arrive as exceptions and the caller guards against faults.
void OpenVideoClip(AvsBinding& binding, const std::string& script_path, bool invoke_distributor,
                   ScriptValues* values);

// Shown for a clip without frames, instead of offering an empty range.
extern const char kClipHasNoFramesText[];

}  // namespace avs_host
