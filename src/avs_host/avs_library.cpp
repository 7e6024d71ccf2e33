#include "avs_host/avs_library.h"

#include "avs_host/c_binding.h"
#include "avs_host/cpp_binding.h"
#include "fault/structured_exception.h"
#include "platform/clock.h"

namespace avs_host {

std::unique_ptr<AvsBinding> MakeAvsBinding(AvsInterface kind) {
  if (kind == AvsInterface::kC) return std::make_unique<CBinding>();
  return std::make_unique<CppBinding>();
}

std::string AvsLibraryName(const std::string& avsdll) {
  return avsdll.empty() ? std::string("avisynth") : avsdll;
}

bool AvsLibrary::Load(std::string* error) {
  library_ = platform::OpenLibrary(AvsLibraryName(avsdll_), error);
  return library_ != nullptr;
}

bool AvsLibrary::FindFactory() { return binding_->FindEntryPoints(library_); }

bool AvsLibrary::CreateEnvironment(int version) {
  bool created = false;
  fault::CallTranslated([&] { created = binding_->CreateEnvironment(version); });
  return created;
}

bool AvsLibrary::Release(std::string* error) {
  DeleteEnvironment();
  return Unload(error);
}

void AvsLibrary::DeleteEnvironment() {
  platform::SleepMs(100);
  if (binding_->HasEnvironment()) fault::CallTranslated([&] { binding_->DeleteEnvironment(); });
}

void AvsLibrary::Leave() {
  if (!library_) return;
  if (binding_->HasEnvironment()) {
    binding_->AbandonEnvironment();
    library_ = nullptr;  // kept loaded on purpose
  } else {
    Unload(nullptr);
  }
}

bool AvsLibrary::Unload(std::string* error) {
  binding_->Forget();
  platform::LibraryHandle library = library_;
  library_ = nullptr;
  return platform::CloseLibrary(library, error);
}

std::string WithSystemError(const std::string& text, const std::string& system_error) {
  return system_error.empty() ? text : text + "\n" + system_error + "\n";
}

std::string ExceptionText(const char* other_head, bool* is_avisynth_error) {
  if (is_avisynth_error != nullptr) *is_avisynth_error = false;
  try {
    throw;
  } catch (const AvisynthError& e) {
    if (is_avisynth_error != nullptr) *is_avisynth_error = true;
    return e.msg ? e.msg : "";
  } catch (const fault::StructuredException& e) {
    return fault::FormatStructuredException(e.code());
  } catch (...) {
    return other_head != nullptr ? other_head : "Unknown exception";
  }
}

}  // namespace avs_host
