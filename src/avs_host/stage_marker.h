// KorbinetStage(clip, string name): the script function that times every
// frame request passing through it, registered before the import through
// whichever interface the host uses. It hands the clip on unchanged.
#pragma once

#include "avs_abi/avisynth_c.h"
#include "avs_abi/avisynth_interface.h"
#include "measure/stage_times.h"

namespace avs_host {

inline constexpr char kStageMarkerName[] = "KorbinetStage";

// The C entry points the marker needs beyond the host's own; any of them
// null means the library cannot take the marker.
struct CStageFunctions {
  decltype(&::avs_add_function) avs_add_function = nullptr;
  decltype(&::avs_new_c_filter) avs_new_c_filter = nullptr;
  decltype(&::avs_set_to_clip) avs_set_to_clip = nullptr;
  decltype(&::avs_release_clip) avs_release_clip = nullptr;
  decltype(&::avs_get_frame) avs_get_frame = nullptr;
  decltype(&::avs_clip_get_error) avs_clip_get_error = nullptr;
};

// Registers the function; times must outlive the environment. False when
// the library refuses it: the script then runs as under any other host.
bool AddStageMarker(IScriptEnvironment* env, measure::StageTimes* times);
// What the C function's user data points to. Its owner keeps it for as long
// as the environment may evaluate a script.
struct CStageRegistration {
  CStageFunctions c;
  measure::StageTimes* times = nullptr;
};
bool AddStageMarker(CStageRegistration* registration, AVS_ScriptEnvironment* env);

}  // namespace avs_host
