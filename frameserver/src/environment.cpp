#include "environment.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "builtins.h"
#include "script.h"
#include "variant.h"

namespace {
// Per thread by nature: whether the calling thread is one the server made.
thread_local bool t_frame_server_thread = false;
}  // namespace

bool OnFrameServerThread() { return t_frame_server_thread; }
void MarkFrameServerThread() { t_frame_server_thread = true; }

ScriptEnvironment::ScriptEnvironment() { RegisterBuiltins(functions_, CurrentVariant()); }

ScriptEnvironment::~ScriptEnvironment() {
  for (auto it = at_exit_.rbegin(); it != at_exit_.rend(); ++it) it->first(it->second, this);
  // Variables hold the script's clips; their release joins the clips'
  // threads and returns their frames before the pool goes.
  vars_.clear();
}

int ScriptEnvironment::GetCPUFlags() { return 0; }

char* ScriptEnvironment::SaveString(const char* s, int length) {
  if (s == nullptr) s = "";
  const size_t size = length < 0 ? std::strlen(s) : static_cast<size_t>(length);
  auto copy = std::make_unique<char[]>(size + 1);
  std::memcpy(copy.get(), s, size);
  copy[size] = '\0';
  std::lock_guard<std::mutex> lock(strings_mutex_);
  strings_.push_back(std::move(copy));
  return strings_.back().get();
}

char* ScriptEnvironment::Sprintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char* text = VSprintf(fmt, ap);
  va_end(ap);
  return text;
}

char* ScriptEnvironment::VSprintf(const char* fmt, va_list ap) {
  va_list measure;
  va_copy(measure, ap);
  const int size = std::vsnprintf(nullptr, 0, fmt, measure);
  va_end(measure);
  if (size < 0) return SaveString("");
  auto text = std::make_unique<char[]>(static_cast<size_t>(size) + 1);
  std::vsnprintf(text.get(), static_cast<size_t>(size) + 1, fmt, ap);
  std::lock_guard<std::mutex> lock(strings_mutex_);
  strings_.push_back(std::move(text));
  return strings_.back().get();
}

void ScriptEnvironment::ThrowError(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char* text = VSprintf(fmt, ap);
  va_end(ap);
  throw AvisynthError(text);
}

void ScriptEnvironment::AddFunction(const char* name, const char* params, ApplyFunc fn,
                                    void* user_data) {
  if (!functions_.Add(name, params, fn, user_data)) {
    ThrowError("AddFunction: cannot register '%s'", name ? name : "");
  }
}

bool ScriptEnvironment::FunctionExists(const char* name) {
  return name != nullptr && functions_.Exists(name);
}

AVSValue ScriptEnvironment::Invoke(const char* name, const AVSValue args,
                                   const char* const* arg_names) {
  if (name == nullptr) throw NotFound();
  std::vector<CallArg> call_args;
  if (args.IsArray()) {
    for (int i = 0; i < args.ArraySize(); ++i) {
      const char* arg_name = arg_names ? arg_names[i] : nullptr;
      call_args.push_back(CallArg{arg_name ? arg_name : "", args[i]});
    }
  } else {
    const char* arg_name = arg_names ? arg_names[0] : nullptr;
    call_args.push_back(CallArg{arg_name ? arg_name : "", args});
  }
  AVSValue result;
  if (CallFunction(*this, name, call_args, false, &result) != CallStatus::kOk) throw NotFound();
  return result;
}

bool ScriptEnvironment::LookupVar(const std::string& name, AVSValue* value) {
  const auto it = vars_.find(ToLower(name));
  if (it == vars_.end()) return false;
  *value = it->second;
  return true;
}

AVSValue ScriptEnvironment::GetVar(const char* name) {
  AVSValue value;
  if (name == nullptr || !LookupVar(name, &value)) throw NotFound();
  return value;
}

bool ScriptEnvironment::SetVar(const char* name, const AVSValue& value) {
  if (name == nullptr) return false;
  vars_[ToLower(name)] = value;
  return true;
}

bool ScriptEnvironment::SetGlobalVar(const char* name, const AVSValue& value) {
  return SetVar(name, value);
}

void ScriptEnvironment::PushContext(int) {}
void ScriptEnvironment::PopContext() {}

PVideoFrame ScriptEnvironment::NewVideoFrame(const VideoInfo& vi, int align) {
  int size = 0;
  const FrameGeometry geometry = GeometryFor(vi, align, &size);
  return PVideoFrame(pool_.NewFrame(size, geometry));
}

bool ScriptEnvironment::MakeWritable(PVideoFrame* pvf) {
  if (pvf == nullptr || !*pvf || (*pvf)->IsWritable()) return false;
  const VideoFrame* source = pvf->get();
  const FrameGeometry& g = source->Geometry();
  FrameGeometry copy = g;
  const int luma = g.pitch * g.height;
  const int chroma = g.pitch_uv * g.height_uv;
  copy.offset = 0;
  copy.offset_u = g.offset_u > g.offset_v ? luma + chroma : luma;
  copy.offset_v = g.offset_u > g.offset_v ? luma : luma + chroma;
  PVideoFrame fresh(pool_.NewFrame(luma + 2 * chroma, copy));
  BYTE* base = fresh->GetFrameBuffer()->GetWritePtr();
  BitBlt(base, g.pitch, source->GetReadPtr(), g.pitch, g.row_size, g.height);
  if (chroma > 0) {
    BitBlt(base + copy.offset_u, g.pitch_uv, source->GetReadPtr(PLANAR_U), g.pitch_uv,
           g.row_size_uv, g.height_uv);
    BitBlt(base + copy.offset_v, g.pitch_uv, source->GetReadPtr(PLANAR_V), g.pitch_uv,
           g.row_size_uv, g.height_uv);
  }
  *pvf = fresh;
  return true;
}

void ScriptEnvironment::BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch,
                               int row_size, int height) {
  if (dst == nullptr || src == nullptr || row_size <= 0) return;
  for (int y = 0; y < height; ++y) {
    std::memmove(dst + static_cast<ptrdiff_t>(y) * dst_pitch,
                 src + static_cast<ptrdiff_t>(y) * src_pitch, static_cast<size_t>(row_size));
  }
}

void ScriptEnvironment::AtExit(ShutdownFunc fn, void* user_data) {
  if (fn) at_exit_.emplace_back(fn, user_data);
}

void ScriptEnvironment::CheckVersion(int version) {
  if (version > CurrentVariant().max_version) {
    ThrowError("Plugin was designed for a later version of Avisynth (%d)", version);
  }
}

PVideoFrame ScriptEnvironment::Subframe(PVideoFrame src, int rel_offset, int new_pitch,
                                        int new_row_size, int new_height) {
  return SubframePlanar(src, rel_offset, new_pitch, new_row_size, new_height, 0, 0, 0);
}

PVideoFrame ScriptEnvironment::SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch,
                                              int new_row_size, int new_height, int rel_offsetU,
                                              int rel_offsetV, int new_pitchUV) {
  if (!src) return PVideoFrame();
  const FrameGeometry& g = src->Geometry();
  FrameGeometry view = g;
  view.offset = g.offset + rel_offset;
  view.pitch = new_pitch;
  view.row_size = new_row_size;
  view.height = new_height;
  view.offset_u = g.offset_u + rel_offsetU;
  view.offset_v = g.offset_v + rel_offsetV;
  if (new_pitchUV) view.pitch_uv = new_pitchUV;
  // A view must stay inside its buffer; reading past it would be a wild read.
  const long long size = src->GetFrameBuffer()->GetDataSize();
  const long long end = static_cast<long long>(view.offset) +
                        static_cast<long long>(new_pitch) * (new_height > 0 ? new_height - 1 : 0) +
                        new_row_size;
  if (view.offset < 0 || new_height < 0 || new_row_size < 0 || end > size) {
    ThrowError("Subframe: the new frame lies outside its buffer");
  }
  return PVideoFrame(pool_.NewView(src.get(), view));
}

int ScriptEnvironment::SetMemoryMax(int megabytes) {
  if (megabytes > 0) memory_max_ = megabytes;
  return memory_max_;
}

int ScriptEnvironment::SetWorkingDir(const char* dir) {
  std::error_code error;
  if (dir == nullptr) return -1;
  std::filesystem::current_path(dir, error);
  return error ? -1 : 0;
}

void* ScriptEnvironment::ManageCache(int, void*) { return nullptr; }
bool ScriptEnvironment::PlanarChromaAlignment(PlanarChromaAlignmentMode) { return true; }

void ScriptEnvironment::DeleteScriptEnvironment() {
  if (OnFrameServerThread()) ThrowError("Cannot delete environment from a TLS proxy.");
  delete this;
}

void ScriptEnvironment::ApplyMessage(PVideoFrame*, const VideoInfo&, const char*, int, int, int,
                                     int) {}

const AVS_Linkage* ScriptEnvironment::GetAVSLinkage() { return FrameServerLinkage(); }
