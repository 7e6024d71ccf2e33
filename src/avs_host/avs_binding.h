// The narrow way the host reaches the library: environment, invoke, clip,
// frame, release. Two bindings: the C++ interface (the library's own class
// interface, usable only when the library was built by a compiler with our
// ABI) and the plain C interface (compiler-independent). Everything above
// them is written once; the per-frame path goes through AvsFrameSource, not
// through this class.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "avs_host/frame_source.h"
#include "avs_host/script_value.h"
#include "measure/stage_times.h"
#include "platform/library.h"

namespace avs_host {

enum class AvsInterface { kCpp, kC };

// Chosen per build: Windows reaches MSVC-built libraries only through C.
#if defined(KORBINET_AVS_C_INTERFACE)
constexpr AvsInterface kBuildAvsInterface = AvsInterface::kC;
#else
constexpr AvsInterface kBuildAvsInterface = AvsInterface::kCpp;
#endif

// The VideoInfo predicates the host reads, taken once when the clip opens.
struct ClipFacts {
  bool has_video = false;
  bool has_audio = false;
  bool is_yv411 = false, is_yv24 = false, is_yv16 = false, is_y8 = false;
  bool is_yv12 = false, is_yuy2 = false, is_rgb24 = false, is_rgb32 = false;
  bool is_field_based = false, is_tff = false, is_bff = false;
  int audio_channels = 0;
  int sample_type = 0;
  int samples_per_second = 0;
};

// One library use's environment and the script values it holds (the
// script's result, the GetMTMode result, the clip). Errors arrive as
// AvisynthError whose text stays valid while this object lives, a missing
// function as IScriptEnvironment::NotFound; the callers guard against faults.
class AvsBinding {
 public:
  virtual ~AvsBinding() = default;

  // Looks up the entry points; false when one is missing.
  virtual bool FindEntryPoints(platform::LibraryHandle library) = 0;
  // False without an environment.
  virtual bool CreateEnvironment(int version) = 0;
  virtual bool HasEnvironment() const = 0;
  virtual void DeleteEnvironment() = 0;
  // Keeps the environment on record, never deleted; see AvsLibrary.
  virtual void AbandonEnvironment() = 0;
  // Called before the library is unloaded.
  virtual void Forget() {}

  virtual void CheckVersion(int version) = 0;
  virtual bool FunctionExists(const char* name) = 0;
  // The VersionString text; nothing when it gives none.
  virtual std::optional<std::string> VersionString() = 0;

  // Registers KorbinetStage, whose figures go to times; only before Import.
  // False when the library cannot take it.
  virtual bool AddStageMarker(measure::StageTimes* times) = 0;
  // The set-up korbinet-compare gives a variant, before Import. False when
  // the library offers no way to set a global variable (a C interface
  // without avs_set_global_var); name and text are copied into the
  // environment's strings.
  virtual bool SetGlobalVar(const std::string& name, const ScriptValue& value) = 0;
  // Calls the script function `function(argument)` for its effect
  // (SetMaxCPU, SetMemoryMax); the caller checks FunctionExists first.
  virtual void InvokeSetUp(const char* function, const ScriptValue& argument) = 0;
  virtual void Import(const std::string& script_path) = 0;
  // After Import: the result becomes Prefetch(result, threads).
  virtual void Prefetch(int threads) = 0;
  virtual bool ResultIsClip() = 0;
  // GetMTMode(false) as an integer, 0 when it is none.
  virtual int GetMTMode() = 0;
  // Replaces the result by Distributor(result).
  virtual void Distribute() = 0;
  // SetGraphAnalysis(true), before Import: every clip the script makes then
  // keeps its node, so the graph can be dumped after the run.
  virtual void EnableGraphAnalysis() = 0;
  // DumpFilterGraph(result, path, 2): the graph with the frames and bytes
  // each node holds. Only from the main thread, with no frame in flight.
  virtual void DumpFilterGraph(const std::string& path) = 0;
  // Takes the clip of the result; vi gets a copy of its VideoInfo.
  virtual void TakeClip(VideoInfo* vi, ClipFacts* facts) = 0;
  // Throws AvisynthError with format ("%s" once) applied to text.
  [[noreturn]] virtual void ThrowError(const char* format, const std::string& text) = 0;
  // Clip, GetMTMode result, script result, in that order.
  virtual void DropValues() = 0;

  // Only after TakeClip.
  virtual AvsFrameSource Frames() = 0;
};

std::unique_ptr<AvsBinding> MakeAvsBinding(AvsInterface kind);

}  // namespace avs_host
