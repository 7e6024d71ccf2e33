// The short first pass over a script that chooses the frame loop's sampling
// interval from the measured time per frame.
#pragma once

#include <cstdint>
#include <string>

#include "avs_host/avs_binding.h"

namespace avs_host {

// The interval for a measured time per frame (0 when none was measured).
uint32_t SamplingIntervalFor(double ms_per_frame);

// Imports the script in a library use of its own and reads frames from 0 for
// at most 5 seconds. Sets interval from the measured time per frame; false
// (interval 0) with error filled, which may be empty when the library gave
// no reason.
bool AnalyseScript(const std::string& script_path, const std::string& avsdll,
                   int interface_version, bool invoke_distributor, uint32_t* interval,
                   std::string* error, AvsInterface binding = kBuildAvsInterface);

// The error for a script whose result is no clip or has no video; "%s" is
// the script's path.
inline constexpr char kNoVideoFormat[] = "Script did not return a video clip:\n(%s)";

// Shown for a clip without frames, instead of offering an empty range.
extern const char kClipHasNoFramesText[];

}  // namespace avs_host
