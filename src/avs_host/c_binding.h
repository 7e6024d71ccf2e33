// The library's plain C interface (avs_*). Its values carry errors as 'e'
// results and failed frames as null; both become the AvisynthError the C++
// interface throws, with the same text, so the host sees one behaviour.
#pragma once

#include <string>

#include "avs_abi/avisynth_c.h"
#include "avs_host/avs_binding.h"
#include "avs_host/stage_marker.h"

#define AVS_C_ENTRY_POINTS(X)                                                                  \
  X(avs_create_script_environment) X(avs_check_version) X(avs_get_error) X(avs_function_exists) \
  X(avs_invoke) X(avs_take_clip) X(avs_get_video_info) X(avs_get_frame) X(avs_clip_get_error) \
  X(avs_release_video_frame) X(avs_release_clip) X(avs_release_value)                          \
  X(avs_delete_script_environment)

namespace avs_host {

class CBinding final : public AvsBinding {
 public:
  bool FindEntryPoints(platform::LibraryHandle library) override;
  bool CreateEnvironment(int version) override;
  bool HasEnvironment() const override { return env_ != nullptr; }
  void DeleteEnvironment() override;
  void AbandonEnvironment() override;
  void Forget() override;

  void CheckVersion(int version) override;
  bool FunctionExists(const char* name) override;
  std::optional<std::string> VersionString() override;

  bool AddStageMarker(measure::StageTimes* times) override;
  bool SetGlobalVar(const std::string& name, const ScriptValue& value) override;
  void InvokeSetUp(const char* function, const ScriptValue& argument) override;
  void Import(const std::string& script_path) override;
  void Prefetch(int threads) override;
  bool ResultIsClip() override { return result_.type == 'c'; }
  int GetMTMode() override;
  void Distribute() override;
  void EnableGraphAnalysis() override;
  void DumpFilterGraph(const std::string& path) override;
  void TakeClip(VideoInfo* vi, ClipFacts* facts) override;
  [[noreturn]] void ThrowError(const char* format, const std::string& text) override;
  void DropValues() override;
  AvsFrameSource Frames() override {
    return CFrameSource{clip_, c_.avs_get_frame, c_.avs_release_video_frame, this};
  }

  // The clip's error after a null frame.
  [[noreturn]] void FailFrame(AVS_Clip* clip);

 private:
  // Invokes name, which must exist (else NotFound, as the C++ interface
  // throws); an 'e' result is thrown.
  AVS_Value Invoke(const char* name, AVS_Value args);
  [[noreturn]] void Fail(const char* text);
  // A set-up value; strings are copied into the environment's store.
  AVS_Value ValueOf(const ScriptValue& value);
  // Lets go of the values without calling the library.
  void ForgetValues();

#define AVS_C_DECLARE(name) decltype(&::name) name = nullptr;
  struct { AVS_C_ENTRY_POINTS(AVS_C_DECLARE) } c_;
#undef AVS_C_DECLARE
  // The marker's own entry points are looked up apart, since a library
  // without them still serves scripts; the rest are copies of c_'s.
  CStageFunctions stage_;
  // Optional too: without them --var cannot be honoured, nothing else fails.
  decltype(&::avs_save_string) save_string_ = nullptr;
  decltype(&::avs_set_global_var) set_global_var_ = nullptr;
  // The marker function's user data: registered with the environment, so it
  // lives with this binding.
  CStageRegistration stage_registration_;
  AVS_ScriptEnvironment* env_ = nullptr;
  AVS_Value result_{'v', 0, {}};
  AVS_Value mt_result_{'v', 0, {}};
  AVS_Clip* clip_ = nullptr;
  // The text of the error in flight; AvisynthError points into it.
  std::string error_;
};

// The predicates from the fields, by the rules the library's C interface
// publishes.
ClipFacts ClipFactsOf(const AVS_VideoInfo& vi);

}  // namespace avs_host
