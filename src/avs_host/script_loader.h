// The script as loaded for the run: it stays open from loading to the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "avs_host/avisynth_interface.h"
#include "platform/library.h"

struct LoadingState {
  platform::LibraryHandle library = nullptr;
  IScriptEnvironment* env = nullptr;
  // Built only while the linkage table is set; dropped before it is cleared.
  std::optional<AVSValue> result;
  std::optional<AVSValue> mt_result;
  std::optional<PClip> clip;
  VideoInfo vi{};
  int32_t mt_mode = 0;
  int32_t mt_mode_known = 0;
  int32_t audio_only = 0;
  uint32_t frame_count = 0;
  int64_t length_ms = 0;

  // Releases the clip and values (their references go back to the library).
  void DropValues();
  // Drops the values, waits 100 ms and deletes the environment (env becomes
  // null). Faults inside the library arrive as SE_Exception.
  void ReleaseScript();
};

// Imports the script into state->env and fills the rest of state. Errors
// arrive as exceptions (AvisynthError, SE_Exception, ...).
void LoadScript(LoadingState* state, const std::string& script_path, int invoke_distributor);

// Clip length in milliseconds, rounded half up.
int64_t ClipLengthMs(const VideoInfo& vi);
