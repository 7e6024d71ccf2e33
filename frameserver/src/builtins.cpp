#include "builtins.h"

#include <cmath>
#include <fstream>
#include <numeric>
#include <sstream>
#include <strings.h>

#include "clips.h"
#include "environment.h"
#include "pixel_format.h"
#include "script.h"

namespace {

constexpr int kMaxImportDepth = 64;

ScriptEnvironment& Env(IScriptEnvironment* env) { return *static_cast<ScriptEnvironment*>(env); }

AVSValue CreateBlankClip(AVSValue args, void*, IScriptEnvironment* env) {
  VideoInfo vi{};
  vi.num_frames = args[0].AsInt(240);
  vi.width = args[1].AsInt(640);
  vi.height = args[2].AsInt(480);
  const char* pixel_name = args[3].AsString("RGB32");
  vi.pixel_type = pixel_format::FromName(pixel_name);
  if (vi.pixel_type == 0) env->ThrowError("BlankClip: unknown pixel_type \"%s\"", pixel_name);
  const double fps = args[4].AsDblDef(24.0);
  const int denominator = args[5].AsInt(1);
  if (vi.num_frames < 0 || vi.width < 0 || vi.height < 0 || vi.width > 65536 ||
      vi.height > 65536 || fps <= 0 || denominator <= 0) {
    env->ThrowError("BlankClip: invalid clip dimensions or frame rate");
  }
  if (fps == std::floor(fps) && fps < 4294967296.0) {
    vi.SetFPS(static_cast<unsigned>(fps), static_cast<unsigned>(denominator));
  } else {
    vi.SetFPS(static_cast<unsigned>(std::llround(fps * 1000.0)),
              static_cast<unsigned>(denominator) * 1000u);
  }
  const int width_step = 1 << pixel_format::WidthShift(vi.pixel_type);
  const int height_step = 1 << pixel_format::HeightShift(vi.pixel_type);
  if (vi.width % width_step || vi.height % height_step ||
      (vi.pixel_type == VideoInfo::CS_YUY2 && vi.width % 2)) {
    env->ThrowError("BlankClip: width and height must suit the chroma subsampling of %s",
                    pixel_name);
  }
  vi.audio_samples_per_second = args[6].AsInt(44100);
  vi.nchannels = args[7].AsInt(1);
  const char* sample_name = args[8].AsString("16bit");
  vi.sample_type = pixel_format::SampleTypeFromName(sample_name);
  if (vi.sample_type == 0) env->ThrowError("BlankClip: unknown sample_type \"%s\"", sample_name);
  if (vi.audio_samples_per_second < 0 || vi.nchannels < 0) {
    env->ThrowError("BlankClip: invalid audio settings");
  }
  if (vi.audio_samples_per_second == 0) vi.nchannels = 0;
  vi.num_audio_samples = vi.AudioSamplesFromFrames(vi.num_frames);
  return AVSValue(new BlankClip(vi, env));
}

AVSValue CreateTrim(AVSValue args, void*, IScriptEnvironment*) {
  return AVSValue(new TrimClip(args[0].AsClip(), args[1].AsInt(), args[2].AsInt()));
}

AVSValue CreateKillAudio(AVSValue args, void*, IScriptEnvironment*) {
  const PClip child = args[0].AsClip();
  VideoInfo vi = child->GetVideoInfo();
  vi.audio_samples_per_second = 0;
  vi.num_audio_samples = 0;
  vi.nchannels = 0;
  return AVSValue(new InfoClip(child, vi));
}

AVSValue CreateKillVideo(AVSValue args, void*, IScriptEnvironment*) {
  const PClip child = args[0].AsClip();
  VideoInfo vi = child->GetVideoInfo();
  vi.width = vi.height = 0;
  vi.fps_numerator = vi.fps_denominator = 0;
  vi.num_frames = 0;
  vi.pixel_type = 0;
  return AVSValue(new InfoClip(child, vi));
}

AVSValue CreateAssumeFPS(AVSValue args, void*, IScriptEnvironment* env) {
  const PClip child = args[0].AsClip();
  const int numerator = args[1].AsInt();
  const int denominator = args[2].AsInt(1);
  if (numerator <= 0 || denominator <= 0) env->ThrowError("AssumeFPS: invalid frame rate");
  VideoInfo vi = child->GetVideoInfo();
  vi.SetFPS(static_cast<unsigned>(numerator), static_cast<unsigned>(denominator));
  return AVSValue(new InfoClip(child, vi));
}

// user_data selects the field operation.
enum FieldOp { kFieldBased, kFrameBased, kTff, kBff };

AVSValue CreateAssumeField(AVSValue args, void* user_data, IScriptEnvironment*) {
  const PClip child = args[0].AsClip();
  VideoInfo vi = child->GetVideoInfo();
  int parity = -1;
  switch (static_cast<FieldOp>(reinterpret_cast<intptr_t>(user_data))) {
    case kFieldBased:
    case kFrameBased:
      vi.SetFieldBased(reinterpret_cast<intptr_t>(user_data) == kFieldBased);
      vi.Clear(VideoInfo::IT_BFF | VideoInfo::IT_TFF);
      parity = 0;
      break;
    case kTff:
      vi.Clear(VideoInfo::IT_BFF);
      vi.Set(VideoInfo::IT_TFF);
      parity = 1;
      break;
    case kBff:
      vi.Clear(VideoInfo::IT_TFF);
      vi.Set(VideoInfo::IT_BFF);
      parity = 0;
      break;
  }
  return AVSValue(new InfoClip(child, vi, parity));
}

AVSValue Import(AVSValue args, void*, IScriptEnvironment* env) {
  const char* path = args[0].AsString();
  std::ifstream file(path, std::ios::binary);
  if (!file) env->ThrowError("Import: couldn't open \"%s\"", path);
  std::ostringstream text;
  text << file.rdbuf();
  ScriptEnvironment& script_env = Env(env);
  if (script_env.ImportDepth() >= kMaxImportDepth) {
    env->ThrowError("Import: scripts nested too deeply at \"%s\"", path);
  }
  ++script_env.ImportDepth();
  try {
    AVSValue result = RunScript(script_env, text.str(), env->SaveString(path));
    --script_env.ImportDepth();
    return result;
  } catch (...) {
    --script_env.ImportDepth();
    throw;
  }
}

AVSValue Eval(AVSValue args, void*, IScriptEnvironment* env) {
  ScriptEnvironment& script_env = Env(env);
  if (script_env.ImportDepth() >= kMaxImportDepth) env->ThrowError("Eval: nested too deeply");
  ++script_env.ImportDepth();
  try {
    AVSValue result = RunScript(script_env, args[0].AsString(), nullptr);
    --script_env.ImportDepth();
    return result;
  } catch (...) {
    --script_env.ImportDepth();
    throw;
  }
}

AVSValue VersionString(AVSValue, void* user_data, IScriptEnvironment*) {
  return AVSValue(static_cast<const char*>(user_data));
}

AVSValue CreatePrefetch(AVSValue args, void*, IScriptEnvironment* env) {
  const int threads = args[1].AsInt(2);
  if (threads < 0 || threads > 256) env->ThrowError("Prefetch: threads must be 0 to 256");
  if (threads == 0) return args[0];
  return AVSValue(new PrefetchClip(args[0].AsClip(), threads, env));
}

AVSValue SetMTMode(AVSValue args, void*, IScriptEnvironment* env) {
  Env(env).MtMode() = args[0].AsInt();
  return AVSValue();
}

AVSValue GetMTMode(AVSValue, void*, IScriptEnvironment* env) {
  return AVSValue(Env(env).MtMode());
}

AVSValue Distributor(AVSValue args, void*, IScriptEnvironment* env) {
  ++Env(env).DistributorCalls();
  return args[0];
}

// Lets a test see whether the host applied Distributor: every frame request
// fails unless the environment has counted `calls` of it by then.
class DistributorCheckClip : public FilterClip {
 public:
  DistributorCheckClip(const PClip& child, const int& counted, int calls)
      : FilterClip(child), counted_(counted), calls_(calls) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    if (counted_ != calls_) env->ThrowError("Distributor called %d times, not %d", counted_, calls_);
    return child_->GetFrame(n, env);
  }
 private:
  const int& counted_;
  int calls_;
};

AVSValue CreateDistributorCheck(AVSValue args, void*, IScriptEnvironment* env) {
  return AVSValue(new DistributorCheckClip(args[0].AsClip(), Env(env).DistributorCalls(), args[1].AsInt()));
}

int NonNegative(const AVSValue& value, const char* function, IScriptEnvironment* env) {
  const int number = value.AsInt();
  if (number < 0) env->ThrowError("%s: the value must not be negative", function);
  return number;
}

AVSValue CreateSpin(AVSValue args, void*, IScriptEnvironment* env) {
  return AVSValue(new SpinClip(args[0].AsClip(), NonNegative(args[1], "Spin", env)));
}

AVSValue CreateNap(AVSValue args, void*, IScriptEnvironment* env) {
  return AVSValue(new NapClip(args[0].AsClip(), NonNegative(args[1], "Nap", env)));
}

AVSValue CreateHold(AVSValue args, void*, IScriptEnvironment* env) {
  return AVSValue(new HoldClip(args[0].AsClip(), NonNegative(args[1], "Hold", env)));
}

AVSValue CreateWorkers(AVSValue args, void*, IScriptEnvironment* env) {
  const int count = NonNegative(args[1], "Workers", env);
  if (count > 1024) env->ThrowError("Workers: at most 1024 threads");
  return AVSValue(new WorkersClip(args[0].AsClip(), count));
}

AVSValue CreateFault(AVSValue args, void*, IScriptEnvironment* env) {
  const int frame = args[1].AsInt();
  const char* name = args[2].AsString();
  static const struct { const char* name; FaultKind kind; } kKinds[] = {
      {"divide", FaultKind::kDivide}, {"access", FaultKind::kAccess},
      {"stack", FaultKind::kStack},   {"error", FaultKind::kError},
      {"other", FaultKind::kOther},
#ifdef _WIN32
      {"caught", FaultKind::kCaught},
#endif
  };
  for (const auto& entry : kKinds) {
    if (strcasecmp(entry.name, name) != 0) continue;
    if (frame == -1) RaiseFault(entry.kind, -1, env);
    return AVSValue(new FaultClip(args[0].AsClip(), frame, entry.kind));
  }
  env->ThrowError("Fault: unknown kind \"%s\"", name);
  return AVSValue();  // not reached: ThrowError throws
}

}  // namespace

void RegisterBuiltins(FunctionTable& table, const VariantInfo& variant) {
  table.Add("BlankClip",
            "[length]i[width]i[height]i[pixel_type]s[fps]f[fps_denominator]i[audio_rate]i"
            "[channels]i[sample_type]s",
            CreateBlankClip, nullptr);
  table.Add("Trim", "cii", CreateTrim, nullptr);
  table.Add("KillAudio", "c", CreateKillAudio, nullptr);
  table.Add("KillVideo", "c", CreateKillVideo, nullptr);
  table.Add("AssumeFPS", "ci[denominator]i", CreateAssumeFPS, nullptr);
  table.Add("AssumeFieldBased", "c", CreateAssumeField, reinterpret_cast<void*>(kFieldBased));
  table.Add("AssumeFrameBased", "c", CreateAssumeField, reinterpret_cast<void*>(kFrameBased));
  table.Add("AssumeTFF", "c", CreateAssumeField, reinterpret_cast<void*>(kTff));
  table.Add("AssumeBFF", "c", CreateAssumeField, reinterpret_cast<void*>(kBff));
  table.Add("Import", "s", Import, nullptr);
  table.Add("Eval", "s", Eval, nullptr);
  if (variant.version_string) {
    table.Add("VersionString", "", VersionString, const_cast<char*>(variant.version_string));
  }
  if (variant.prefetch) table.Add("Prefetch", "c[threads]i", CreatePrefetch, nullptr);
  if (variant.classic_mt) {
    table.Add("SetMTMode", "i[threads]i", SetMTMode, nullptr);
    table.Add("GetMTMode", "[threads_only]b", GetMTMode, nullptr);
    table.Add("Distributor", "c", Distributor, nullptr);
    table.Add("DistributorCheck", "ci", CreateDistributorCheck, nullptr);
  }
  table.Add("Spin", "ci", CreateSpin, nullptr);
  table.Add("Nap", "ci", CreateNap, nullptr);
  table.Add("Hold", "ci", CreateHold, nullptr);
  table.Add("Workers", "ci", CreateWorkers, nullptr);
  table.Add("Fault", "cis", CreateFault, nullptr);
}
