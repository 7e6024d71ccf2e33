// One use of the AviSynth library: load, entry points, environment and
// script values, given back in the fixed order.
#pragma once

#include <memory>
#include <string>

#include "avs_host/avs_binding.h"
#include "platform/library.h"

namespace avs_host {

// The library named by the AVSDLL setting, or "avisynth" when that is empty.
std::string AvsLibraryName(const std::string& avsdll);

// Owns one use from loading to unloading, through the build's binding or the
// one asked for. Both bindings keep this lifetime rule.
//
// After an error the environment is not deleted, as it may be unusable. The
// library then stays loaded: that environment's threads and objects may still
// run its code, and unmapping it under them would crash the process before
// the run could write its records. Only the linkage table is forgotten. So
// leaving a use (Leave, or the destructor) unloads the library when no
// environment is held and abandons the environment, library kept, when one
// is.
class AvsLibrary {
 public:
  explicit AvsLibrary(std::string avsdll, AvsInterface kind = kBuildAvsInterface)
      : avsdll_(std::move(avsdll)), binding_(MakeAvsBinding(kind)) {}
  ~AvsLibrary() { Leave(); }
  AvsLibrary(const AvsLibrary&) = delete;
  AvsLibrary& operator=(const AvsLibrary&) = delete;

  // False with the system's reason in *error (null when not wanted).
  bool Load(std::string* error);
  // Finds the binding's entry points.
  bool FindFactory();
  // Calls the factory (faults inside it arrive as StructuredException). False
  // without an environment.
  bool CreateEnvironment(int version);

  AvsBinding& binding() { return *binding_; }
  bool HasEnvironment() const { return binding_->HasEnvironment(); }

  // Sleeps 100 ms, deletes the environment (faults arrive as StructuredException;
  // the environment is then still held) and unloads. False when unloading
  // failed, with the system's reason in *error (null when not wanted).
  bool Release(std::string* error);
  // Sleeps 100 ms and deletes the environment; the library stays loaded.
  void DeleteEnvironment();
  // Unloads, or abandons the environment held; nothing when already left.
  void Leave();

 private:
  bool Unload(std::string* error);

  std::string avsdll_;
  platform::LibraryHandle library_ = nullptr;
  std::unique_ptr<AvsBinding> binding_;
};

// "text", or "text\n<system_error>\n" when the system gave a reason.
std::string WithSystemError(const std::string& text, const std::string& system_error);

// Written once: the probe, the analysis and the run all report them.
inline constexpr char kNoFactoryText[] = "Failed to load CreateScriptEnvironment()";
inline constexpr char kNoEnvironmentText[] = "Could not create IScriptenvironment";
// Followed by a line with the path.
inline constexpr char kLibraryMissingText[] = "Specified avisynth.dll does not exist:";
// Followed by a line with the system's reason.
inline constexpr char kCannotLoadText[] = "Cannot load avisynth.dll";

// The text of the exception being handled; call only inside a catch block.
// An AviSynth error gives its message (and sets *is_avisynth_error), a
// processor fault its code and name, and any other exception other_head, or
// without it "Unknown exception": such an exception carries no reason of the
// system's.
std::string ExceptionText(const char* other_head = nullptr, bool* is_avisynth_error = nullptr);

}  // namespace avs_host
