// What the benchmarks share: the bundled frame server loaded through one
// interface, and a script imported from a scratch file. A benchmark that
// cannot set up would measure nothing, so a failure ends the process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "avs_host/avs_library.h"
#include "avs_host/script_loader.h"
#include "platform/files.h"

namespace benchmarks {

// The cheapest clip the frame server makes: FRAMES tiny Y8 frames.
inline std::string BlankClipLine(int frames) {
  return "BlankClip(length=" + std::to_string(frames) +
         ", width=16, height=16, pixel_type=\"Y8\")\n";
}

inline void LoadOrExit(avs_host::AvsLibrary& library) {
  if (!library.Load(nullptr) || !library.FindFactory() || !library.CreateEnvironment(6)) {
    std::fprintf(stderr, "cannot load %s\n", KORBINET_BENCH_AVS_LIBRARY);
    std::exit(1);
  }
}

// Imports TEXT as a script on a loaded library and returns its frames.
inline avs_host::AvsFrameSource ImportScriptText(avs_host::AvsLibrary& library,
                                                 const std::string& text) {
  const std::string script = "/tmp/korbinet-bench.avs";
  if (!platform::WriteFileReplacing(script, text, nullptr)) {
    std::fprintf(stderr, "cannot write %s\n", script.c_str());
    std::exit(1);
  }
  avs_host::ScriptValues values;
  library.binding().Import(script);
  avs_host::OpenScriptClip(library.binding(), script, false, "%s", &values);
  std::remove(script.c_str());
  return library.binding().Frames();
}

}  // namespace benchmarks
