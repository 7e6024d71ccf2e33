#include "avs_host/c_binding.h"

#include <cstring>

#include "platform/deliberate_leak.h"

namespace avs_host {

namespace {

// Neither a result nor a text from the library: the host's handlers show it
// as an unknown exception, as they do any exception without a message.
struct NoLibraryText {};

AVS_Value Value(short type) { return AVS_Value{type, 0, {}}; }

AVS_Value BoolValue(bool b) {
  AVS_Value value = Value('b');
  value.d.boolean = b ? 1 : 0;
  return value;
}

AVS_Value IntValue(int i) {
  AVS_Value value = Value('i');
  value.d.integer = i;
  return value;
}

// The text is lent: it must outlive the call the value goes to.
AVS_Value StringValue(const std::string& text) {
  AVS_Value value = Value('s');
  value.d.string = text.c_str();
  return value;
}

}  // namespace

bool CBinding::FindEntryPoints(platform::LibraryHandle library) {
  bool all = true;
#define AVS_C_FIND(name)                                                                        \
  c_.name = reinterpret_cast<decltype(c_.name)>(platform::FindSymbol(library, #name, nullptr)); \
  all = all && c_.name != nullptr;
  AVS_C_ENTRY_POINTS(AVS_C_FIND)
#undef AVS_C_FIND
#define AVS_C_FIND_STAGE(name) \
  stage_.name = reinterpret_cast<decltype(stage_.name)>(platform::FindSymbol(library, #name, nullptr));
  AVS_C_FIND_STAGE(avs_add_function) AVS_C_FIND_STAGE(avs_new_c_filter)
  AVS_C_FIND_STAGE(avs_set_to_clip)
#undef AVS_C_FIND_STAGE
  save_string_ =
      reinterpret_cast<decltype(save_string_)>(platform::FindSymbol(library, "avs_save_string", nullptr));
  set_global_var_ =
      reinterpret_cast<decltype(set_global_var_)>(platform::FindSymbol(library, "avs_set_global_var", nullptr));
  stage_.avs_release_clip = c_.avs_release_clip;
  stage_.avs_get_frame = c_.avs_get_frame;
  stage_.avs_clip_get_error = c_.avs_clip_get_error;
  return all;
}

bool CBinding::AddStageMarker(measure::StageTimes* times) {
  stage_registration_ = CStageRegistration{stage_, times};
  return avs_host::AddStageMarker(&stage_registration_, env_);
}

bool CBinding::CreateEnvironment(int version) {
  env_ = c_.avs_create_script_environment(version);
  // AviSynth+ gives a handle with an error, not null, when it refuses.
  if (env_ && c_.avs_get_error(env_) != nullptr) {
    c_.avs_delete_script_environment(env_);
    env_ = nullptr;
  }
  return env_ != nullptr;
}

void CBinding::DeleteEnvironment() {
  if (env_) c_.avs_delete_script_environment(env_);
  env_ = nullptr;
}

void CBinding::AbandonEnvironment() {
  // Leaked on purpose, with the clip handle and the values: after an error
  // nothing may call into the library again, not even to release them.
  platform::KeepUntilExit(env_);
  platform::KeepUntilExit(clip_);
  for (const AVS_Value& value : {result_, mt_result_}) {
    if (value.type == 'c') platform::KeepUntilExit(value.d.clip);
  }
  env_ = nullptr;
  ForgetValues();
}

void CBinding::Forget() { ForgetValues(); }

void CBinding::ForgetValues() {
  clip_ = nullptr;
  result_ = Value('v');
  mt_result_ = Value('v');
}

void CBinding::Fail(const char* text) {
  error_ = text ? text : "";
  throw AvisynthError(error_.c_str());
}

void CBinding::FailFrame(AVS_Clip* clip) {
  const char* text = c_.avs_clip_get_error(clip);
  if (text == nullptr) throw NoLibraryText{};
  Fail(text);
}

void CFrameSource::FailFrame() { binding->FailFrame(clip); }

AVS_Value CBinding::Invoke(const char* name, AVS_Value args) {
  if (!c_.avs_function_exists(env_, name)) throw IScriptEnvironment::NotFound();
  AVS_Value value = c_.avs_invoke(env_, name, args, nullptr);
  if (value.type == 'e') {
    error_ = value.d.string ? value.d.string : "";
    c_.avs_release_value(value);
    throw AvisynthError(error_.c_str());
  }
  return value;
}

void CBinding::CheckVersion(int version) {
  if (c_.avs_check_version(env_, version) != 0) Fail(c_.avs_get_error(env_));
}

bool CBinding::FunctionExists(const char* name) {
  return c_.avs_function_exists(env_, name) != 0;
}

std::optional<std::string> CBinding::VersionString() {
  AVS_Value empty = Value('a');
  AVS_Value version = Invoke("VersionString", empty);
  std::optional<std::string> text;
  if (version.type == 's' && version.d.string) text = version.d.string;
  c_.avs_release_value(version);
  return text;
}

AVS_Value CBinding::ValueOf(const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::kBool: return BoolValue(value.boolean);
    case ScriptValue::Kind::kInt: return IntValue(value.integer);
    case ScriptValue::Kind::kFloat: {
      // 'f', the float every version of the language knows.
      AVS_Value number = Value('f');
      number.d.floating_pt = static_cast<float>(value.number);
      return number;
    }
    case ScriptValue::Kind::kString: break;
  }
  AVS_Value text = Value('s');
  // Without the store the text is lent for the call only (InvokeSetUp).
  text.d.string = save_string_ ? save_string_(env_, value.text.c_str(), static_cast<int>(value.text.size()))
                               : value.text.c_str();
  return text;
}

bool CBinding::SetGlobalVar(const std::string& name, const ScriptValue& value) {
  if (save_string_ == nullptr || set_global_var_ == nullptr) return false;
  set_global_var_(env_, save_string_(env_, name.c_str(), static_cast<int>(name.size())), ValueOf(value));
  return true;
}

void CBinding::InvokeSetUp(const char* function, const ScriptValue& argument) {
  c_.avs_release_value(Invoke(function, ValueOf(argument)));
}

void CBinding::Prefetch(int threads) {
  const AVS_Value args[2] = {result_, IntValue(threads)};
  AVS_Value array = Value('a');
  array.array_size = 2;
  array.d.array = args;
  AVS_Value prefetched = Invoke("Prefetch", array);
  c_.avs_release_value(result_);
  result_ = prefetched;
}

void CBinding::Import(const std::string& script_path) {
  result_ = Invoke("Import", StringValue(script_path));
}

int CBinding::GetMTMode() {
  mt_result_ = Invoke("GetMTMode", BoolValue(false));
  if (mt_result_.type == 'i') return mt_result_.d.integer;
  if (mt_result_.type == 'l') return static_cast<int>(mt_result_.d.longlong);
  return 0;
}

void CBinding::Distribute() {
  AVS_Value distributed = Invoke("Distributor", result_);
  c_.avs_release_value(result_);
  result_ = distributed;
}

void CBinding::EnableGraphAnalysis() {
  c_.avs_release_value(Invoke("SetGraphAnalysis", BoolValue(true)));
}

void CBinding::DumpFilterGraph(const std::string& path) {
  const AVS_Value args[3] = {result_, StringValue(path), IntValue(2)};
  AVS_Value array = Value('a');
  array.array_size = 3;
  array.d.array = args;
  c_.avs_release_value(Invoke("DumpFilterGraph", array));
}

void CBinding::TakeClip(VideoInfo* vi, ClipFacts* facts) {
  clip_ = c_.avs_take_clip(result_, env_);
  if (clip_ == nullptr) {
    const char* text = c_.avs_get_error(env_);
    if (text == nullptr) throw NoLibraryText{};
    Fail(text);
  }
  const AVS_VideoInfo* info = c_.avs_get_video_info(clip_);
  static_assert(sizeof(VideoInfo) == sizeof(AVS_VideoInfo));
  std::memcpy(static_cast<void*>(vi), info, sizeof *info);
  *facts = ClipFactsOf(*info);
}

void CBinding::ThrowError(const char* format, const std::string& text) {
  // The formats are ours and hold one "%s"; the text goes in as data.
  std::string message = format;
  if (size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, text);
  Fail(message.c_str());
}

void CBinding::DropValues() {
  if (clip_) c_.avs_release_clip(clip_);
  c_.avs_release_value(mt_result_);
  c_.avs_release_value(result_);
  ForgetValues();
}

ClipFacts ClipFactsOf(const AVS_VideoInfo& vi) {
  const unsigned pt = static_cast<unsigned>(vi.pixel_type);
  const unsigned planar_key = pt & 0xF8070707u;
  auto has_all = [pt](unsigned bits) { return (pt & bits) == bits; };
  ClipFacts f;
  f.has_video = vi.width != 0;
  f.has_audio = vi.audio_samples_per_second != 0;
  f.is_yv411 = planar_key == 0xA0000301u;
  f.is_yv24 = planar_key == 0xA0000303u;
  f.is_yv16 = planar_key == 0xA0000300u;
  f.is_y8 = planar_key == 0xE0000000u;
  f.is_yv12 = planar_key == 0xA0000000u;
  f.is_yuy2 = has_all(0x60000004u);
  f.is_rgb24 = has_all(0x50000001u) && (pt & 0x70000u) == 0;
  f.is_rgb32 = has_all(0x50000002u) && (pt & 0x70000u) == 0;
  f.is_field_based = (vi.image_type & 4) != 0;
  f.is_tff = (vi.image_type & 2) != 0;
  f.is_bff = (vi.image_type & 1) != 0;
  f.audio_channels = f.has_audio ? vi.nchannels : 0;
  f.sample_type = vi.sample_type;
  f.samples_per_second = vi.audio_samples_per_second;
  return f;
}

}  // namespace avs_host
