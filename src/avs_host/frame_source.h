// How the frame loops request a frame from each binding: a small handle
// copied into registers, so that a frame costs the library's call and no
// dispatch of ours.
#pragma once

#include <cstdint>
#include <variant>

#include "avs_abi/avisynth_c.h"
#include "avs_abi/avisynth_interface.h"

namespace avs_host {

class CBinding;

// The returned PVideoFrame is a temporary, released at the end of the
// statement. Errors arrive as the library's AvisynthError.
struct CppFrameSource {
  IClip* clip;
  IScriptEnvironment* env;
  void operator()(uint32_t n) { clip->GetFrame(static_cast<int>(n), env); }
};

// A null frame becomes the AvisynthError the C++ interface would throw.
struct CFrameSource {
  AVS_Clip* clip;
  AVS_VideoFrame* (*get_frame)(AVS_Clip*, int);
  void (*release_frame)(AVS_VideoFrame*);
  CBinding* binding;
  void operator()(uint32_t n) {
    AVS_VideoFrame* frame = get_frame(clip, static_cast<int>(n));
    if (frame == nullptr) [[unlikely]] FailFrame();
    release_frame(frame);
  }
  [[noreturn]] void FailFrame();
};

using AvsFrameSource = std::variant<CppFrameSource, CFrameSource>;

}  // namespace avs_host
