// The frame server's script language over arbitrary script text, then a few
// frame and audio requests on the clip a script returns.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "environment.h"
#include "script.h"

namespace {

// Functions whose whole purpose is to fault, block, read other files or take
// the machine's memory or threads: the fuzzer would only find what they are
// made to do. A script that names one (in any case, also inside Eval text)
// is skipped.
bool NamesUnsafeFunction(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : {"fault", "import", "workers", "prefetch", "spin", "nap", "hold"}) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
}

// Frames beyond this size are not requested: a 65536x65536 clip is valid but
// its frames would exhaust the fuzzer's memory limit.
constexpr int64_t kMaxFrameBytes = 64LL << 20;
constexpr int kMaxChannels = 64;
constexpr int64_t kAudioSamples = 16;

void Request(PClip clip, ScriptEnvironment& env) {
  const VideoInfo vi = clip->GetVideoInfo();
  const int64_t frame_bytes = int64_t{vi.width} * vi.height * 8;
  if (vi.HasVideo() && vi.num_frames > 0 && frame_bytes <= kMaxFrameBytes) {
    for (int n : {0, vi.num_frames / 2, vi.num_frames - 1}) {
      PVideoFrame frame = clip->GetFrame(n, &env);
      if (!frame) __builtin_trap();
      clip->GetParity(n);
    }
  }
  if (vi.HasAudio() && vi.nchannels > 0 && vi.nchannels <= kMaxChannels) {
    // Room for the widest sample type.
    std::vector<unsigned char> buffer(static_cast<size_t>(vi.nchannels) * 4 * kAudioSamples);
    clip->GetAudio(buffer.data(), 0, kAudioSamples, &env);
    if (vi.num_audio_samples > kAudioSamples) {
      clip->GetAudio(buffer.data(), vi.num_audio_samples - kAudioSamples, kAudioSamples, &env);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (NamesUnsafeFunction(text)) return 0;
  ScriptEnvironment env;
  for (const char* path : {"/fuzz/script.avs", static_cast<const char*>(nullptr)}) {
    try {
      AVSValue value = RunScript(env, text, path);
      if (value.IsClip()) Request(value.AsClip(), env);
    } catch (const AvisynthError& error) {
      if (error.msg == nullptr || error.msg[0] == '\0') __builtin_trap();
    }
  }
  return 0;
}
