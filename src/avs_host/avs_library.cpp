#include "avs_host/avs_library.h"

#include <vector>

#include "fault/structured_exception.h"
#include "platform/clock.h"
#include "platform/error.h"

namespace {

// Abandoned environments stay on record until the process ends, reachable
// rather than leaked. Never destroyed, so the record outlives the static
// destructors at exit; a run abandons at most a handful.
void KeepAbandoned(IScriptEnvironment* env) {
  static auto* abandoned = new std::vector<IScriptEnvironment*>;
  abandoned->push_back(env);
}

}  // namespace

std::string AvsLibraryName(const std::string& avsdll) {
  return avsdll.empty() ? std::string("avisynth") : avsdll;
}

bool AvsLibrary::Load() {
  library_ = platform::OpenLibrary(AvsLibraryName(avsdll_));
  return library_ != nullptr;
}

bool AvsLibrary::FindFactory() {
  factory_ = reinterpret_cast<CreateScriptEnvironmentFn>(
      platform::FindSymbol(library_, "CreateScriptEnvironment"));
  return factory_ != nullptr;
}

bool AvsLibrary::CreateEnvironment(int version) {
  CallTranslated([&] {
    env_ = factory_(version);
    if (env_) g_avs_linkage = env_->GetAVSLinkage();
  });
  return env_ != nullptr;
}

bool AvsLibrary::Release() {
  DeleteEnvironment();
  return Unload();
}

void AvsLibrary::DeleteEnvironment() {
  platform::SleepMs(100);
  if (env_) CallTranslated([&] { env_->DeleteScriptEnvironment(); });
  env_ = nullptr;
}

void AvsLibrary::Leave() {
  if (!library_) return;
  if (env_) {
    KeepAbandoned(env_);
    env_ = nullptr;
    g_avs_linkage = nullptr;
    library_ = nullptr;  // kept loaded on purpose
  } else {
    Unload();
  }
}

bool AvsLibrary::Unload() {
  g_avs_linkage = nullptr;
  platform::LibraryHandle library = library_;
  library_ = nullptr;
  return platform::CloseLibrary(library);
}

std::string WithSystemError(const std::string& text) {
  std::string system = SystemErrorText();
  return system.empty() ? text : text + "\n" + system;
}
