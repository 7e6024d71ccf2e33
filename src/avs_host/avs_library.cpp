#include "avs_host/avs_library.h"

#include <vector>

#include "fault/structured_exception.h"
#include "platform/clock.h"
#include "platform/error.h"

std::string AvsLibraryName(const std::string& avsdll) {
  return avsdll.empty() ? std::string("avisynth") : avsdll;
}

platform::LibraryHandle LoadAvsLibrary(const std::string& avsdll) {
  return platform::OpenLibrary(AvsLibraryName(avsdll));
}

CreateScriptEnvironmentFn FindEnvironmentFactory(platform::LibraryHandle library) {
  return reinterpret_cast<CreateScriptEnvironmentFn>(
      platform::FindSymbol(library, "CreateScriptEnvironment"));
}

IScriptEnvironment* CreateEnvironment(CreateScriptEnvironmentFn factory, int version) {
  IScriptEnvironment* env = nullptr;
  CallTranslated([&] {
    env = factory(version);
    if (env) g_avs_linkage = env->GetAVSLinkage();
  });
  return env;
}

bool ReleaseEnvironment(IScriptEnvironment* env, platform::LibraryHandle library) {
  platform::SleepMs(100);
  if (env) CallTranslated([&] { env->DeleteScriptEnvironment(); });
  return UnloadLibrary(library);
}

bool UnloadLibrary(platform::LibraryHandle library) {
  g_avs_linkage = nullptr;
  return platform::CloseLibrary(library);
}

void AbandonLibrary(IScriptEnvironment* env, platform::LibraryHandle /*library*/) {
  // Held, not leaked: a run abandons at most a handful before it ends. Never
  // destroyed, so the record outlives the static destructors at exit.
  static auto* abandoned = new std::vector<IScriptEnvironment*>;
  abandoned->push_back(env);
  g_avs_linkage = nullptr;
}

void LeaveLibraryAfterError(IScriptEnvironment* env, platform::LibraryHandle library) {
  if (env)
    AbandonLibrary(env, library);
  else
    UnloadLibrary(library);
}

std::string WithSystemError(const std::string& text) {
  std::string system = SystemErrorText();
  return system.empty() ? text : text + "\n" + system;
}
