#include "avs_host/script_loader.h"

#include "avs_host/avs_library.h"
#include "fault/structured_exception.h"

namespace avs_host {

void OpenScriptClip(AvsBinding& binding, const std::string& script_path, bool invoke_distributor,
                    const char* not_clip_format, ScriptValues* values) {
  if (!binding.ResultIsClip()) binding.ThrowError(not_clip_format, script_path);
  values->mt_mode_known = true;
  values->mt_mode = 0;
  try {
    values->mt_mode = binding.GetMTMode();
    if (values->mt_mode >= 1 && values->mt_mode <= 4 && invoke_distributor) binding.Distribute();
  } catch (const IScriptEnvironment::NotFound&) {
    // Libraries without MT control run the script as it is.
    values->mt_mode_known = false;
  }
  binding.TakeClip(&values->vi, &values->facts);
}

void ReleaseScript(AvsLibrary* library) {
  fault::CallTranslated([&] { library->binding().DropValues(); });
  library->DeleteEnvironment();
}

int64_t ClipLengthMs(const VideoInfo& vi) {
  if (vi.fps_numerator == 0) return 0;
  return static_cast<int64_t>(static_cast<double>(vi.fps_denominator) * vi.num_frames * 1000 /
                                  vi.fps_numerator +
                              0.5);
}

void ImportForRun(AvsBinding& binding, const std::string& script_path) {
  fault::CallTranslated([&] { binding.Import(script_path); });
}

void FinishLoading(LoadingState* state, AvsBinding& binding, const std::string& script_path,
                   bool invoke_distributor) {
  fault::CallTranslated([&] {
    OpenScriptClip(binding, script_path, invoke_distributor, "\"%s\":\nScript did not return a clip",
                   &state->values);
  });
  const ClipFacts& facts = state->values.facts;
  state->audio_only = !facts.has_video && facts.has_audio;
  if (state->audio_only) {
    state->frame_count = 0;
    state->length_ms = 0;
  } else {
    state->frame_count = static_cast<uint32_t>(state->values.vi.num_frames);
    state->length_ms = ClipLengthMs(state->values.vi);
  }
}

}  // namespace avs_host
