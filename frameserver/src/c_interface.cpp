// The plain C interface, as the library offers it: values and frames are the
// C++ objects' own bytes, and errors are kept as texts instead of thrown.
// Only the library's own errors are turned into texts; any other exception
// passes on, as it does from the library, for the host's guard to report.
#include "c_interface.h"

#include <cstring>
#include <deque>
#include <new>

#include "avs_abi/avisynth_interface.h"
#include "exported.h"
#include "frames.h"

namespace {

// A function the host registered through this handle.
struct CFunction {
  AVS_ApplyFunc apply;
  void* user_data;
  AVS_ScriptEnvironment* env;
};

}  // namespace

struct AVS_ScriptEnvironment {
  IScriptEnvironment* env;
  const char* error;  // in the environment's strings, or static
  std::deque<CFunction> functions = {};  // stable addresses, lent to the function table
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

// Drops the references that `value`'s bytes hold.
void Release(const AVS_Value& value) {
  alignas(AVSValue) unsigned char storage[sizeof(AVSValue)];
  std::memcpy(storage, &value, sizeof value);
  std::launder(reinterpret_cast<AVSValue*>(storage))->~AVSValue();
}

// Takes over the references that `value`'s bytes hold.
AVSValue Adopt(const AVS_Value& value) {
  AVSValue out(AsCpp(value));
  Release(value);
  return out;
}

// Reading the union of any other value as a clip would give a wild pointer.
bool HoldsClip(const AVS_Value& value) { return value.type == 'c' && value.d.clip != nullptr; }

AVSValue CallCFunction(AVSValue args, void* data, IScriptEnvironment* env) {
  const CFunction* f = static_cast<const CFunction*>(data);
  AVS_Value lent;  // the arguments stay ours; the function only reads them
  std::memcpy(&lent, &args, sizeof lent);
  const AVS_Value result = f->apply(f->env, lent, f->user_data);
  if (result.type == 'e') env->ThrowError("%s", result.d.string ? result.d.string : "");
  return Adopt(result);
}

// A clip whose calls go to the host's callbacks in its AVS_FilterInfo; one
// left null passes the call to the child, as a filter that only watches
// frames go by needs.
class CFilter : public IClip {
 public:
  CFilter(AVS_ScriptEnvironment* env, const PClip& child) : child_(child) {
    info_.env = env;
    if (child_) {
      info_.child = new AVS_Clip{child_, env->env, nullptr};
      std::memcpy(&info_.vi, &child_->GetVideoInfo(), sizeof info_.vi);
    }
  }
  ~CFilter() override {
    if (info_.free_filter) info_.free_filter(&info_);
    delete info_.child;
  }
  AVS_FilterInfo* Info() { return &info_; }

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    if (info_.get_frame == nullptr) return Child(env)->GetFrame(n, env);
    info_.error = nullptr;
    AVS_VideoFrame* made = info_.get_frame(&info_, n);
    PVideoFrame frame(AsFrame(made));
    if (made != nullptr) AsFrame(made)->Release();  // the callback's reference, now frame's
    if (info_.error != nullptr) env->ThrowError("%s", info_.error);
    // A filter that gives nothing and says nothing still fails the request,
    // rather than handing the host a null frame.
    if (made == nullptr) env->ThrowError("A filter returned no frame for frame %d", n);
    return frame;
  }
  bool GetParity(int n) override {
    if (info_.get_parity) return info_.get_parity(&info_, n) != 0;
    return child_ ? child_->GetParity(n) : false;
  }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    if (info_.get_audio == nullptr) return Child(env)->GetAudio(buf, start, count, env);
    info_.error = nullptr;
    if (info_.get_audio(&info_, buf, start, count) != 0 && info_.error != nullptr) {
      env->ThrowError("%s", info_.error);
    }
  }
  int SetCacheHints(int hints, int frame_range) override {
    return info_.set_cache_hints ? info_.set_cache_hints(&info_, hints, frame_range) : 0;
  }
  // The host fills in vi after the filter is made: it is read where it lies,
  // the same 48 bytes as the C++ VideoInfo.
  const VideoInfo& GetVideoInfo() override {
    const void* vi = &info_.vi;
    return *static_cast<const VideoInfo*>(vi);
  }

 private:
  const PClip& Child(IScriptEnvironment* env) {
    if (!child_) env->ThrowError("A filter without a child gave no callback for this request");
    return child_;
  }

  PClip child_;
  AVS_FilterInfo info_{};
};

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

// Null for a value that holds no clip.
FS_EXPORT AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* p) {
  if (!HoldsClip(value)) return nullptr;
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

FS_EXPORT void avs_release_value(AVS_Value value) { Release(value); }

FS_EXPORT int avs_add_function(AVS_ScriptEnvironment* p, const char* name, const char* params,
                               AVS_ApplyFunc apply, void* user_data) {
  p->error = nullptr;
  if (apply == nullptr) {
    p->error = "avs_add_function: no function given";
    return -1;
  }
  CFunction& f = p->functions.emplace_back(CFunction{apply, user_data, p});
  try {
    p->env->AddFunction(name, params, CallCFunction, &f);
    return 0;
  } catch (const AvisynthError& error) {
    p->functions.pop_back();
    p->error = error.msg;
    return -1;
  }
}

FS_EXPORT AVS_Clip* avs_new_c_filter(AVS_ScriptEnvironment* p, AVS_FilterInfo** fi, AVS_Value child,
                                     int store_child) {
  p->error = nullptr;
  PClip stored;
  if (store_child) {
    if (!HoldsClip(child)) {
      p->error = "avs_new_c_filter: the child is not a clip";
      return nullptr;
    }
    stored = AsCpp(child).AsClip();
  }
  CFilter* filter = new CFilter(p, stored);
  PClip held(filter);
  *fi = filter->Info();
  return new AVS_Clip{held, p->env, nullptr};
}

FS_EXPORT void avs_set_to_clip(AVS_Value* value, AVS_Clip* clip) { *value = ToC(AVSValue(clip->clip)); }

FS_EXPORT const char* avs_save_string(AVS_ScriptEnvironment* p, const char* s, int length) {
  return p->env->SaveString(s, length);
}

FS_EXPORT int avs_set_global_var(AVS_ScriptEnvironment* p, const char* name, AVS_Value val) {
  p->error = nullptr;
  return p->env->SetGlobalVar(name, AsCpp(val)) ? 1 : 0;
}

FS_EXPORT void avs_delete_script_environment(AVS_ScriptEnvironment* p) {
  if (p == nullptr) return;
  p->env->DeleteScriptEnvironment();
  delete p;
}
