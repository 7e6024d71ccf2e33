// Loads the standard frame server, renders frames through Prefetch and
// Workers, unloads it, and reports any thread left behind (exit status 3).
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "frameserver_host.h"

static int ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

int main() {
  const int threads_before = ThreadCount();
  for (int round = 0; round < 2; ++round) {
    LoadedServer server = LoadServer();
    if (server.env == nullptr) return 2;
    {
      AVSValue script("BlankClip(length=8, width=64, height=48, pixel_type=\"YV12\").Workers(2).Prefetch(3)");
      PClip clip = server.env->Invoke("Eval", script).AsClip();
      for (int n = 0; n < 8; ++n) {
        if (!clip->GetFrame(n, server.env)) return 4;
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
