#include "avs_host/script_analysis.h"

#include "avs_host/avs_library.h"
#include "avs_host/script_loader.h"
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

uint32_t AnalyseScript(const std::string& script_path, const std::string& avsdll,
                       int interface_version, int invoke_distributor, std::string* message,
                       AvsInterface binding_kind) {
  message->clear();
  if (!g_timer.CheckPerformanceCounter()) {
    *message = "QueryPerformanceCounter() is not supported";
    return 0;
  }
  AvsLibrary library(avsdll, binding_kind);
  if (!library.Load()) {
    *message = "Failed to load avisynth.dll";
    return 0;
  }
  if (!library.FindFactory()) {
    *message = "Failed to load CreateScriptEnvironment()";
    return 0;
  }

  platform::ClearLastError();
  uint32_t interval = 0;
  ScriptValues values;
  bool failed = false;
  try {
    if (!library.CreateEnvironment(interface_version)) {
      *message = "Could not create IScriptenvironment";
      return 0;
    }
    AvsBinding& binding = library.binding();
    double elapsed = 0;
    uint32_t frames_read = 0;
    CallTranslated([&] {
      const char* no_video = "Script did not return a video clip:\n(%s)";
      binding.Import(script_path);
      OpenScriptClip(binding, script_path, invoke_distributor, no_video, &values);
      if (!values.facts.has_video) binding.ThrowError(no_video, script_path);
      const int num_frames = values.vi.num_frames;
      if (num_frames <= 0) return;
      std::visit(
          [&](auto source) {
            const double start = g_timer.GetTickSeconds();
            do {
              source(frames_read);
              ++frames_read;
              elapsed = g_timer.GetTickSeconds() - start;
            } while (elapsed < 5.0 && frames_read != static_cast<uint32_t>(num_frames));
          },
          binding.Frames());
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
    CallTranslated([&] { library.binding().DropValues(); });
  } catch (...) {
    // A library that faults while values are released is unloaded anyway.
  }
  bool unloaded;
  if (failed) {
    interval = 0;
    library.Leave();
    unloaded = true;
  } else {
    unloaded = library.Release();
  }
  if (!unloaded) {
    interval = 0;
    *message = WithSystemError("Cannot unload avisynth.dll");
  }
  platform::SleepMs(50);
  return interval;
}
