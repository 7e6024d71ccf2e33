#include "avs_host/script_analysis.h"

#include <optional>

#include "avs_host/avs_library.h"
#include "console/console_utils.h"
#include "fault/structured_exception.h"
#include "measure/timer.h"
#include "platform/clock.h"
#include "platform/error.h"

const char kClipHasNoFramesText[] = "The clip has no frames";

uint32_t SamplingIntervalFor(double ms_per_frame) {
  struct Step {
    double above;
    uint32_t interval;
  };
  static constexpr Step kSteps[] = {
      {0.001, 10000}, {0.002, 5000}, {0.005, 2000}, {0.01, 1000}, {0.02, 500}, {0.05, 200},
      {0.1, 100},     {0.2, 50},     {0.5, 20},     {1, 10},      {10, 1},
  };
  uint32_t interval = 20000;
  for (const auto& step : kSteps) {
    if (ms_per_frame > step.above) interval = step.interval;
  }
  return interval;
}

namespace {

// Script result, GetMTMode result and clip of one library use; built only
// while the linkage table is set and dropped before it is cleared.
struct ScriptValues {
  std::optional<AVSValue> result;
  std::optional<AVSValue> mt_mode;
  std::optional<PClip> clip;
  void Drop() {
    clip.reset();
    mt_mode.reset();
    result.reset();
  }
};

void ImportForAnalysis(IScriptEnvironment* env, const std::string& path, int invoke_distributor,
                       ScriptValues* values) {
  const char* no_video = "Script did not return a video clip:\n(%s)";
  values->result.emplace(env->Invoke("Import", AVSValue(path.c_str())));
  if (!values->result->IsClip()) env->ThrowError(no_video, path.c_str());
  try {
    values->mt_mode.emplace(env->Invoke("GetMTMode", AVSValue(false)));
    int mode = values->mt_mode->IsInt() ? values->mt_mode->AsInt() : 0;
    if (mode >= 1 && mode <= 4 && invoke_distributor)
      *values->result = env->Invoke("Distributor", *values->result);
  } catch (const IScriptEnvironment::NotFound&) {
    // Libraries without MT control run the script as it is.
  }
  values->clip.emplace(values->result->AsClip());
  VideoInfo vi = (*values->clip)->GetVideoInfo();
  if (!vi.HasVideo()) env->ThrowError(no_video, path.c_str());
}

}  // namespace

uint32_t AnalyseScript(const std::string& script_path, const std::string& avsdll,
                       int interface_version, int invoke_distributor, std::string* message) {
  message->clear();
  if (!g_timer.CheckPerformanceCounter()) {
    *message = "QueryPerformanceCounter() is not supported";
    return 0;
  }
  platform::LibraryHandle library = LoadAvsLibrary(avsdll);
  if (!library) {
    *message = "Failed to load avisynth.dll";
    return 0;
  }
  CreateScriptEnvironmentFn factory = FindEnvironmentFactory(library);
  if (!factory) {
    *message = "Failed to load CreateScriptEnvironment()";
    platform::CloseLibrary(library);
    return 0;
  }

  platform::ClearLastError();
  uint32_t interval = 0;
  IScriptEnvironment* env = nullptr;
  ScriptValues values;
  bool failed = false;
  try {
    env = CreateEnvironment(factory, interface_version);
    if (!env) {
      *message = "Could not create IScriptenvironment";
      platform::CloseLibrary(library);
      return 0;
    }
    double elapsed = 0;
    uint32_t frames_read = 0;
    CallTranslated([&] {
      ImportForAnalysis(env, script_path, invoke_distributor, &values);
      const int num_frames = (*values.clip)->GetVideoInfo().num_frames;
      if (num_frames <= 0) return;
      IClip* clip = values.clip->operator->();
      const double start = g_timer.GetTickSeconds();
      do {
        clip->GetFrame(static_cast<int>(frames_read), env);
        ++frames_read;
        elapsed = g_timer.GetTickSeconds() - start;
      } while (elapsed < 5.0 && frames_read != static_cast<uint32_t>(num_frames));
    });
    double ms_per_frame = 0;
    if (frames_read == 0) {
      *message = kClipHasNoFramesText;
    } else if (elapsed > 0.5) {
      ms_per_frame = elapsed * 1000 / frames_read;
    } else {
      *message = "Script runtime is too short for accurate measurements";
    }
    interval = SamplingIntervalFor(ms_per_frame);
  } catch (const AvisynthError& e) {
    *message = e.msg ? e.msg : "";
    failed = true;
  } catch (const SE_Exception& e) {
    *message = FormatStructuredException(e.getSeNumber());
    failed = true;
  } catch (...) {
    *message = SystemErrorText();
    if (message->empty()) *message = "Unknown exception";
    failed = true;
  }

  try {
    CallTranslated([&] { values.Drop(); });
  } catch (...) {
    // A library that faults while values are released is unloaded anyway.
  }
  bool unloaded;
  if (failed) {
    interval = 0;
    LeaveLibraryAfterError(env, library);
    unloaded = true;
  } else {
    unloaded = ReleaseEnvironment(env, library);
  }
  if (!unloaded) {
    interval = 0;
    *message = WithSystemError("Cannot unload avisynth.dll");
  }
  platform::SleepMs(50);
  return interval;
}
