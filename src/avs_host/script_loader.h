// The script imported into an environment: one import for the analysis pass
// and for the run, and the run's loading state, open from loading to the end.
#pragma once

#include <cstdint>
#include <string>

#include "avs_host/avs_binding.h"

namespace avs_host {

class AvsLibrary;

// What the host reads of the script's clip. The values themselves (script
// result, GetMTMode result, clip) are held by the binding.
struct ScriptValues {
  VideoInfo vi{};
  ClipFacts facts;
  int32_t mt_mode = 0;
  bool mt_mode_known = false;
};

// The import's second step, after AvsBinding::Import, so that the run can
// clear its status line in between. Errors arrive as exceptions; the callers
// guard against faults. It keeps no object that owns memory, since a fault
// jumps past its frame.
//
// Checks that the result is a clip (else ThrowError(not_clip_format, path)),
// applies Distributor when the MT mode asks for it and invoke_distributor is
// set, and takes the clip and its VideoInfo.
void OpenScriptClip(AvsBinding& binding, const std::string& script_path, bool invoke_distributor,
                    const char* not_clip_format, ScriptValues* values);

struct LoadingState {
  ScriptValues values;
  bool audio_only = false;
  uint32_t frame_count = 0;
  int64_t length_ms = 0;
};

// The run's import; faults arrive as StructuredException.
void ImportForRun(AvsBinding& binding, const std::string& script_path);
// The rest of the run's loading, after ImportForRun.
void FinishLoading(LoadingState* state, AvsBinding& binding, const std::string& script_path,
                   bool invoke_distributor);

// Drops the values, waits 100 ms and deletes the environment; the library
// stays loaded. Faults inside the library arrive as StructuredException.
void ReleaseScript(AvsLibrary* library);

// Clip length in milliseconds, rounded half up.
int64_t ClipLengthMs(const VideoInfo& vi);

}  // namespace avs_host
