#include "avs_host/script_loader.h"

#include "app/settings.h"
#include "console/console_utils.h"
#include "fault/structured_exception.h"
#include "platform/clock.h"

void LoadingState::DropValues() {
  clip.reset();
  mt_result.reset();
  result.reset();
}

void LoadingState::ReleaseScript() {
  CallTranslated([&] { DropValues(); });
  platform::SleepMs(100);
  CallTranslated([&] { env->DeleteScriptEnvironment(); });
  env = nullptr;
}

int64_t ClipLengthMs(const VideoInfo& vi) {
  if (vi.fps_numerator == 0) return 0;
  return static_cast<int64_t>(static_cast<double>(vi.fps_denominator) * vi.num_frames * 1000 /
                                  vi.fps_numerator +
                              0.5);
}

void LoadScript(LoadingState* state, const std::string& script_path, int invoke_distributor) {
  IScriptEnvironment* env = state->env;
  const int to_stdout = g_settings.ConUseSTDOUT;
  ConsolePrint(to_stdout, kColorNone, "\r%s\r", g_utils.PadLine("Loading script...").c_str());
  CallTranslated([&] {
    state->result.emplace(env->Invoke("Import", AVSValue(script_path.c_str())));
  });
  ConsolePrint(to_stdout, kColorNone, "\r%s\r", g_utils.PadLine("").c_str());
  CallTranslated([&] {
    if (!state->result->IsClip())
      env->ThrowError("\"%s\":\nScript did not return a clip", script_path.c_str());
    state->mt_mode_known = 1;
    state->mt_mode = 0;
    try {
      state->mt_result.emplace(env->Invoke("GetMTMode", AVSValue(false)));
      state->mt_mode = state->mt_result->IsInt() ? state->mt_result->AsInt() : 0;
      if (state->mt_mode >= 1 && state->mt_mode <= 4 && invoke_distributor)
        *state->result = env->Invoke("Distributor", *state->result);
    } catch (const IScriptEnvironment::NotFound&) {
      state->mt_mode_known = 0;
    }
    state->clip.emplace(state->result->AsClip());
    state->vi = (*state->clip)->GetVideoInfo();
  });
  state->audio_only = !state->vi.HasVideo() && state->vi.HasAudio();
  if (state->audio_only) {
    state->frame_count = 0;
    state->length_ms = 0;
  } else {
    state->frame_count = static_cast<uint32_t>(state->vi.num_frames);
    state->length_ms = ClipLengthMs(state->vi);
  }
}
