#include "avs_host/script_analysis.h"

#include "avs_host/avs_library.h"
#include "avs_host/script_loader.h"
#include "fault/structured_exception.h"
#include "measure/timer.h"
#include "platform/clock.h"

namespace avs_host {

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

void OpenVideoClip(AvsBinding& binding, const std::string& script_path, bool invoke_distributor,
                   ScriptValues* values) {
  const char* no_video = "Script did not return a video clip:\n(%s)";
  OpenScriptClip(binding, script_path, invoke_distributor, no_video, values);
  if (!values->facts.has_video) binding.ThrowError(no_video, script_path);
}

bool AnalyseScript(const std::string& script_path, const std::string& avsdll,
                   int interface_version, bool invoke_distributor, uint32_t* interval,
                   std::string* error, AvsInterface binding_kind) {
  *interval = 0;
  error->clear();
  if (!measure::CounterTrusted()) {
    *error = "QueryPerformanceCounter() is not supported";
    return false;
  }
  // The script imports here as in the run, markers and all; their figures
  // are not reported. Declared first so that it outlives the environment.
  measure::StageTimes stages;
  AvsLibrary library(avsdll, binding_kind);
  if (!library.Load(nullptr)) {
    *error = "Failed to load avisynth.dll";
    return false;
  }
  if (!library.FindFactory()) {
    *error = kNoFactoryText;
    return false;
  }

  ScriptValues values;
  bool measured = false;
  bool failed = false;
  try {
    if (!library.CreateEnvironment(interface_version)) {
      *error = kNoEnvironmentText;
      return false;
    }
    AvsBinding& binding = library.binding();
    FramesTimed timed;
    fault::CallTranslated([&] {
      binding.AddStageMarker(&stages);
      binding.Import(script_path);
      OpenVideoClip(binding, script_path, invoke_distributor, &values);
      const int num_frames = values.vi.num_frames;
      if (num_frames <= 0) return;
      measure::TickMs tick;
      TimeFirstFrames(binding, static_cast<uint32_t>(num_frames), 5.0, [&tick] { return tick.Seconds(); }, &timed);
    });
    if (timed.frames == 0) {
      *error = kClipHasNoFramesText;
    } else if (timed.seconds > 0.5) {
      *interval = SamplingIntervalFor(timed.seconds * 1000 / timed.frames);
      measured = true;
    } else {
      *error = "Script runtime is too short for accurate measurements";
    }
  } catch (...) {
    *error = ExceptionText();
    failed = true;
  }

  try {
    fault::CallTranslated([&] { library.binding().DropValues(); });
  } catch (...) {
    // A library that faults while values are released is unloaded anyway.
  }
  bool unloaded;
  std::string reason;
  if (failed) {
    library.Leave();
    unloaded = true;
  } else {
    unloaded = library.Release(&reason);
  }
  if (!unloaded) {
    measured = false;
    *error = WithSystemError("Cannot unload avisynth.dll", reason);
  }
  platform::SleepMs(50);
  if (!measured) *interval = 0;
  return measured;
}

}  // namespace avs_host
