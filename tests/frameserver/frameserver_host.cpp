#include "frameserver_host.h"

#include <dlfcn.h>

LoadedServer LoadServer(const char* path) {
  LoadedServer server;
  server.handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (server.handle == nullptr) return server;
  using Factory = IScriptEnvironment* (*)(int);
  auto factory = reinterpret_cast<Factory>(dlsym(server.handle, "CreateScriptEnvironment"));
  if (factory == nullptr) return server;
  server.env = factory(7);
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
