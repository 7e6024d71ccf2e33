// The plain C interface, as the library offers it: values and frames are the
// C++ objects' own bytes, and errors are kept as texts instead of thrown.
// Only the library's own errors are turned into texts; any other exception
// passes on, as it does from the library, for the host's guard to report.
#include "c_interface.h"

#include <cstring>
#include <new>

#include "avs_abi/avisynth_interface.h"
#include "exported.h"
#include "frames.h"

struct AVS_ScriptEnvironment {
  IScriptEnvironment* env;
  const char* error;  // in the environment's strings, or static
};

struct AVS_Clip {
  PClip clip;
  IScriptEnvironment* env;
  const char* error;
};

namespace {

static_assert(sizeof(AVS_Value) == sizeof(AVSValue) && alignof(AVS_Value) == alignof(AVSValue));
static_assert(sizeof(AVS_VideoInfo) == sizeof(VideoInfo));

// The library's text for a call it cannot make, by name or by arguments.
constexpr const char* kNotFound = "Function Not Found";

const AVSValue& AsCpp(const AVS_Value& value) { return *reinterpret_cast<const AVSValue*>(&value); }

// Hands a copy of `value` to the C caller: the copy's references now belong
// to the returned bytes, released by avs_release_value.
AVS_Value ToC(const AVSValue& value) {
  alignas(AVSValue) unsigned char storage[sizeof(AVSValue)];
  new (storage) AVSValue(value);
  AVS_Value out;
  std::memcpy(&out, storage, sizeof out);
  return out;
}

AVS_Value ErrorValue(const char* message) {
  AVS_Value out{};
  out.type = 'e';
  out.d.string = message;
  return out;
}

VideoFrame* AsFrame(AVS_VideoFrame* frame) { return reinterpret_cast<VideoFrame*>(frame); }

}  // namespace

AVS_ScriptEnvironment* WrapEnvironment(IScriptEnvironment* env) {
  if (env == nullptr) return nullptr;
  return new (std::nothrow) AVS_ScriptEnvironment{env, nullptr};
}

FS_EXPORT int avs_check_version(AVS_ScriptEnvironment* p, int version) {
  p->error = nullptr;
  try {
    p->env->CheckVersion(version);
    return 0;
  } catch (const AvisynthError& error) {
    p->error = error.msg;
    return -1;
  }
}

FS_EXPORT const char* avs_get_error(AVS_ScriptEnvironment* p) { return p->error; }

FS_EXPORT int avs_function_exists(AVS_ScriptEnvironment* p, const char* name) {
  p->error = nullptr;
  return p->env->FunctionExists(name) ? 1 : 0;
}

FS_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment* p, const char* name, AVS_Value args, const char** arg_names) {
  p->error = nullptr;
  try {
    return ToC(p->env->Invoke(name, AsCpp(args), arg_names));
  } catch (const IScriptEnvironment::NotFound&) {
    p->error = kNotFound;
  } catch (const AvisynthError& error) {
    p->error = error.msg;
  }
  return ErrorValue(p->error);
}

// Null for a value that holds no clip, where reading the union as a clip
// would hand out a wild pointer.
FS_EXPORT AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* p) {
  if (value.type != 'c' || value.d.clip == nullptr) return nullptr;
  return new (std::nothrow) AVS_Clip{AsCpp(value).AsClip(), p->env, nullptr};
}

FS_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* p) {
  return reinterpret_cast<const AVS_VideoInfo*>(&p->clip->GetVideoInfo());
}

FS_EXPORT int avs_get_version(AVS_Clip* p) { return p->clip->GetVersion(); }

FS_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* p, int n) {
  p->error = nullptr;
  try {
    PVideoFrame frame = p->clip->GetFrame(n, p->env);
    VideoFrame* held = frame.get();
    if (held != nullptr) held->AddRef();  // the caller's reference
    return reinterpret_cast<AVS_VideoFrame*>(held);
  } catch (const AvisynthError& error) {
    p->error = error.msg;
    return nullptr;
  }
}

FS_EXPORT const char* avs_clip_get_error(AVS_Clip* p) { return p->error; }

FS_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
  if (frame != nullptr) AsFrame(frame)->Release();
}

FS_EXPORT void avs_release_clip(AVS_Clip* p) { delete p; }

FS_EXPORT void avs_release_value(AVS_Value value) {
  alignas(AVSValue) unsigned char storage[sizeof(AVSValue)];
  std::memcpy(storage, &value, sizeof value);
  std::launder(reinterpret_cast<AVSValue*>(storage))->~AVSValue();
}

FS_EXPORT void avs_delete_script_environment(AVS_ScriptEnvironment* p) {
  if (p == nullptr) return;
  p->env->DeleteScriptEnvironment();
  delete p;
}
