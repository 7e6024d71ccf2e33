// Loads the standard frame server, renders frames through Prefetch and
// Workers, unloads it, and reports any thread left behind (exit status 3).
#include <cstdio>

#include "frameserver_host.h"

int main() {
  const int threads_before = ThreadCount();
  for (int round = 0; round < 2; ++round) {
    LoadedServer server = LoadServer("standard", 7);
    if (server.env == nullptr) return 2;
    {
      AVSValue script("BlankClip(length=8, width=64, height=48, pixel_type=\"YV12\")"
                      ".Workers(2).Prefetch(3)");
      AVSValue clip = server.env->Invoke("Eval", script);
      PClip pclip = clip.AsClip();
      for (int n = 0; n < 8; ++n) {
        PVideoFrame frame = pclip->GetFrame(n, server.env);
        if (!frame) return 4;
      }
      try {
        server.env->ThrowError("text %d", round);
      } catch (const AvisynthError&) {
      }
    }
    UnloadServer(server);
  }
  const int threads_after = ThreadCount();
  std::printf("threads before %d after %d\n", threads_before, threads_after);
  return threads_after == threads_before ? 0 : 3;
}
