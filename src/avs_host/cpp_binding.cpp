#include "avs_host/cpp_binding.h"

#include "avs_host/stage_marker.h"
#include "platform/deliberate_leak.h"

namespace avs_host {

bool CppBinding::FindEntryPoints(platform::LibraryHandle library) {
  factory_ = reinterpret_cast<CreateScriptEnvironmentFn>(
      platform::FindSymbol(library, "CreateScriptEnvironment", nullptr));
  return factory_ != nullptr;
}

bool CppBinding::AddStageMarker(measure::StageTimes* times) { return avs_host::AddStageMarker(env_, times); }

bool CppBinding::CreateEnvironment(int version) {
  env_ = factory_(version);
  if (env_) g_avs_linkage = env_->GetAVSLinkage();
  return env_ != nullptr;
}

void CppBinding::DeleteEnvironment() {
  if (env_) env_->DeleteScriptEnvironment();
  env_ = nullptr;
}

void CppBinding::AbandonEnvironment() {
  // Leaked on purpose: after an error nothing may call into the environment,
  // not even to delete it.
  platform::KeepUntilExit(env_);
  env_ = nullptr;
  g_avs_linkage = nullptr;
}

void CppBinding::Forget() { g_avs_linkage = nullptr; }

std::optional<std::string> CppBinding::VersionString() {
  AVSValue version = env_->Invoke("VersionString", AVSValue(nullptr, 0));
  const char* text = version.IsString() ? version.AsString() : nullptr;
  if (!text) return std::nullopt;
  return std::string(text);
}

namespace {

// Strings go into the environment's own store: the library keeps the
// pointer, not a copy.
AVSValue ValueOf(IScriptEnvironment* env, const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::kBool: return AVSValue(value.boolean);
    case ScriptValue::Kind::kInt: return AVSValue(static_cast<int>(value.integer));
    // 'f', the float every version of the language knows.
    case ScriptValue::Kind::kFloat: return AVSValue(static_cast<float>(value.number));
    case ScriptValue::Kind::kString: break;
  }
  return AVSValue(env->SaveString(value.text.c_str(), static_cast<int>(value.text.size())));
}

}  // namespace

bool CppBinding::SetGlobalVar(const std::string& name, const ScriptValue& value) {
  env_->SetGlobalVar(env_->SaveString(name.c_str(), static_cast<int>(name.size())),
                     ValueOf(env_, value));
  return true;
}

void CppBinding::InvokeSetUp(const char* function, const ScriptValue& argument) {
  env_->Invoke(function, ValueOf(env_, argument));
}

void CppBinding::Prefetch(int threads) {
  const AVSValue args[2] = {*result_, AVSValue(threads)};
  *result_ = env_->Invoke("Prefetch", AVSValue(args, 2));
}

void CppBinding::Import(const std::string& script_path) {
  result_.emplace(env_->Invoke("Import", AVSValue(script_path.c_str())));
}

int CppBinding::GetMTMode() {
  mt_result_.emplace(env_->Invoke("GetMTMode", AVSValue(false)));
  return mt_result_->IsInt() ? mt_result_->AsInt() : 0;
}

void CppBinding::Distribute() { *result_ = env_->Invoke("Distributor", *result_); }

void CppBinding::EnableGraphAnalysis() { env_->Invoke("SetGraphAnalysis", AVSValue(true)); }

void CppBinding::DumpFilterGraph(const std::string& path) {
  const AVSValue args[3] = {*result_, AVSValue(path.c_str()), AVSValue(2)};
  env_->Invoke("DumpFilterGraph", AVSValue(args, 3));
}

void CppBinding::TakeClip(VideoInfo* vi, ClipFacts* facts) {
  clip_.emplace(result_->AsClip());
  *vi = (*clip_)->GetVideoInfo();
  *facts = ClipFactsOf(*vi);
}

void CppBinding::ThrowError(const char* format, const std::string& text) {
  env_->ThrowError(format, text.c_str());
  throw AvisynthError("ThrowError returned");  // a library that breaks its contract
}

void CppBinding::DropValues() {
  clip_.reset();
  mt_result_.reset();
  result_.reset();
}

ClipFacts ClipFactsOf(const VideoInfo& vi) {
  ClipFacts f;
  f.has_video = vi.HasVideo();
  f.has_audio = vi.HasAudio();
  f.is_yv411 = vi.IsYV411();
  f.is_yv24 = vi.IsYV24();
  f.is_yv16 = vi.IsYV16();
  f.is_y8 = vi.IsY8();
  f.is_yv12 = vi.IsYV12();
  f.is_yuy2 = vi.IsYUY2();
  f.is_rgb24 = vi.IsRGB24();
  f.is_rgb32 = vi.IsRGB32();
  f.is_field_based = vi.IsFieldBased();
  f.is_tff = vi.IsTFF();
  f.is_bff = vi.IsBFF();
  f.audio_channels = vi.AudioChannels();
  f.sample_type = vi.SampleType();
  f.samples_per_second = vi.SamplesPerSecond();
  return f;
}

}  // namespace avs_host
