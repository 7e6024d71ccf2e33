#include "avs_host/script_loader.h"

#include "avs_host/avs_library.h"
#include "fault/structured_exception.h"

void ScriptValues::Drop() {
  clip.reset();
  mt_result.reset();
  result.reset();
}

void ImportScript(IScriptEnvironment* env, const std::string& script_path, ScriptValues* values) {
  values->result.emplace(env->Invoke("Import", AVSValue(script_path.c_str())));
}

void OpenScriptClip(IScriptEnvironment* env, const std::string& script_path,
                    int invoke_distributor, const char* not_clip_format, ScriptValues* values) {
  if (!values->result->IsClip()) env->ThrowError(not_clip_format, script_path.c_str());
  values->mt_mode_known = 1;
  values->mt_mode = 0;
  try {
    values->mt_result.emplace(env->Invoke("GetMTMode", AVSValue(false)));
    values->mt_mode = values->mt_result->IsInt() ? values->mt_result->AsInt() : 0;
    if (values->mt_mode >= 1 && values->mt_mode <= 4 && invoke_distributor)
      *values->result = env->Invoke("Distributor", *values->result);
  } catch (const IScriptEnvironment::NotFound&) {
    // Libraries without MT control run the script as it is.
    values->mt_mode_known = 0;
  }
  values->clip.emplace(values->result->AsClip());
  values->vi = (*values->clip)->GetVideoInfo();
}

void ReleaseScript(LoadingState* state, AvsLibrary* library) {
  CallTranslated([&] { state->values.Drop(); });
  library->DeleteEnvironment();
}

int64_t ClipLengthMs(const VideoInfo& vi) {
  if (vi.fps_numerator == 0) return 0;
  return static_cast<int64_t>(static_cast<double>(vi.fps_denominator) * vi.num_frames * 1000 /
                                  vi.fps_numerator +
                              0.5);
}

void ImportForRun(LoadingState* state, IScriptEnvironment* env, const std::string& script_path) {
  CallTranslated([&] { ImportScript(env, script_path, &state->values); });
}

void FinishLoading(LoadingState* state, IScriptEnvironment* env, const std::string& script_path,
                   int invoke_distributor) {
  CallTranslated([&] {
    OpenScriptClip(env, script_path, invoke_distributor, "\"%s\":\nScript did not return a clip",
                   &state->values);
  });
  const VideoInfo& vi = state->values.vi;
  state->audio_only = !vi.HasVideo() && vi.HasAudio();
  if (state->audio_only) {
    state->frame_count = 0;
    state->length_ms = 0;
  } else {
    state->frame_count = static_cast<uint32_t>(vi.num_frames);
    state->length_ms = ClipLengthMs(vi);
  }
}
