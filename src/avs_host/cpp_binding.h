// The library's C++ class interface: the factory, the environment and the
// linkage table that every value and clip operation goes through.
#pragma once

#include <optional>

#include "avs_host/avs_binding.h"

namespace avs_host {

using CreateScriptEnvironmentFn = IScriptEnvironment* (*)(int version);

class CppBinding final : public AvsBinding {
 public:
  bool FindEntryPoints(platform::LibraryHandle library) override;
  bool CreateEnvironment(int version) override;
  bool HasEnvironment() const override { return env_ != nullptr; }
  void DeleteEnvironment() override;
  void AbandonEnvironment() override;
  void Forget() override;

  void CheckVersion(int version) override { env_->CheckVersion(version); }
  bool FunctionExists(const char* name) override { return env_->FunctionExists(name); }
  std::optional<std::string> VersionString() override;

  bool AddStageMarker(measure::StageTimes* times) override;
  bool SetGlobalVar(const std::string& name, const ScriptValue& value) override;
  void InvokeSetUp(const char* function, const ScriptValue& argument) override;
  void Import(const std::string& script_path) override;
  void Prefetch(int threads) override;
  bool ResultIsClip() override { return result_->IsClip(); }
  int GetMTMode() override;
  void Distribute() override;
  void EnableGraphAnalysis() override;
  void DumpFilterGraph(const std::string& path) override;
  void TakeClip(VideoInfo* vi, ClipFacts* facts) override;
  [[noreturn]] void ThrowError(const char* format, const std::string& text) override;
  void DropValues() override;
  AvsFrameSource Frames() override { return CppFrameSource{clip_->operator->(), env_}; }

  IScriptEnvironment* env() const { return env_; }

 private:
  CreateScriptEnvironmentFn factory_ = nullptr;
  IScriptEnvironment* env_ = nullptr;
  // Built only while the linkage table is set; without it their
  // destructors do nothing.
  std::optional<AVSValue> result_;
  std::optional<AVSValue> mt_result_;
  std::optional<PClip> clip_;
};

// The predicates as the library computes them, through the linkage table.
ClipFacts ClipFactsOf(const VideoInfo& vi);

}  // namespace avs_host
