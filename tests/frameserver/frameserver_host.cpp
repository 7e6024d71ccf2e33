#include "frameserver_host.h"

#include <dlfcn.h>

#include <filesystem>

std::string VariantPath(const std::string& variant) {
  return std::string(FS_BUILD_DIR) + "/" + variant + "/libavisynth.so";
}

LoadedServer LoadServer(const std::string& variant, int version) {
  LoadedServer server;
  server.handle = dlopen(VariantPath(variant).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (server.handle == nullptr || version < 0) return server;
  using Factory = IScriptEnvironment* (*)(int);
  auto factory = reinterpret_cast<Factory>(dlsym(server.handle, "CreateScriptEnvironment"));
  if (factory == nullptr) return server;
  server.env = factory(version);
  if (server.env) g_avs_linkage = server.env->GetAVSLinkage();
  return server;
}

void UnloadServer(LoadedServer& server) {
  if (server.env) server.env->DeleteScriptEnvironment();
  server.env = nullptr;
  g_avs_linkage = nullptr;
  if (server.handle) dlclose(server.handle);
  server.handle = nullptr;
}

int ThreadCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}
