#include "avisynth_info.h"

#include <cstdio>

#include "avs_host/avs_library.h"
#include "fault/structured_exception.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "text/text.h"

namespace avs_host {

namespace {

const char kCannotLoad[] = "Cannot load avisynth.dll";
const char kCannotUnload[] = "Cannot unload avisynth.dll";
const char kCannotOpen[] = "Cannot open avisynth.dll";

// Runs one step of the probe; a fault or an unexpected exception becomes
// the probe's error.
template <class Fn>
bool GuardedStep(std::string* error, const char* other_text, Fn&& fn) {
  try {
    fault::CallTranslated(fn);
    return true;
  } catch (...) {
    *error = ExceptionText(other_text);
  }
  return false;
}

}  // namespace

std::string FileTimeStampText(const std::string& path) {
  platform::LocalTime t{};
  if (!platform::FileModificationTime(path, &t, nullptr)) return "Cannot determine timestamp";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u, %02u:%02u:%02u", t.year, t.month,
                t.day, t.hour, t.minute, t.second);
  return buffer;
}

std::string ProbeFailureText(const LibraryFacts& info, const std::string& error) {
  if (info.image_not_mapped) return error;
  if (!info.is_64bit_image) return "Korbinet (x64) cannot load a 32 Bit avisynth.dll.";
  if (!error.empty()) return error;
  // An AviSynth error without a message: nothing more to say.
  return std::string(kCannotLoadText) + "\n";
}

std::string SplitPluginLine(const std::string& line, const std::string& spacing) {
  size_t split = line.find(":\t");
  if (split == std::string::npos) return line;
  return line.substr(0, split + 1) + spacing + line.substr(split + 2);
}

void ReadPluginDirectories(LibraryFacts* info) {
  for (auto& line : info->plugin_dirs) line.clear();
  // Only the 64-bit view exists here; lines 1 to 4 belong to 32-bit libraries.
  if (!info->is_64bit_image) return;
  const platform::PluginFolders folders = platform::FindPluginFolders(info->location);
  struct Source {
    int line;
    const std::string& dir;
    const char* label;
  } sources[] = {
      {4, folders.user_plus, "PluginDir+    (HKCU, x64):\t"},
      {5, folders.system_plus, "PluginDir+    (HKLM, x64):\t"},
      {6, folders.user_classic, "PluginDir2_5  (HKCU, x64):\t"},
      {7, folders.system_classic, "PluginDir2_5  (HKLM, x64):\t"},
  };
  for (const auto& source : sources) {
    if (!source.dir.empty()) info->plugin_dirs[source.line] = source.label + source.dir;
  }
}

bool TestInterfaceVersion(const std::string& avsdll, int* version, std::string* error,
                          AvsInterface binding_kind) {
  *version = 0;
  AvsLibrary library(avsdll, binding_kind);
  std::string reason;
  if (!library.Load(&reason)) {
    *error = WithSystemError(kCannotLoad, reason);
    return false;
  }
  if (!library.FindFactory()) {
    *error = kNoFactoryText;
    return false;
  }
  int climbed = 5;
  try {
    if (!library.CreateEnvironment(5)) {
      *error = "Could not create IScriptenvironment (AVISYNTH_INTERFACE_VERSION = 5)";
      return false;
    }
    AvsBinding& binding = library.binding();
    try {
      fault::CallTranslated([&] {
        binding.CheckVersion(6);
        climbed = 6;
        binding.CheckVersion(7);
        climbed = 7;
      });
    } catch (const AvisynthError&) {
      // The climb ends at the highest version the library accepts.
    }
  } catch (...) {
    *error = ExceptionText(kCannotLoad);
    return false;
  }
  try {
    if (!library.Release(&reason)) {
      *error = WithSystemError(kCannotUnload, reason);
      platform::SleepMs(50);
      return false;
    }
  } catch (...) {
    *error = ExceptionText(kCannotUnload);
    return false;
  }
  platform::SleepMs(50);
  *version = climbed;
  return true;
}

namespace {

// The version string and MT support, read from an environment of the
// version found; the library is given back before it returns.
bool ReadVersionFacts(const std::string& avsdll, AvsInterface binding_kind, LibraryFacts* info,
                      std::string* error) {
  AvsLibrary library(avsdll, binding_kind);
  std::string reason;
  if (!library.Load(&reason)) {
    *error = WithSystemError(kCannotLoad, reason);
    return false;
  }
  if (!library.FindFactory()) {
    *error = kNoFactoryText;
    return false;
  }
  // Leaving the scope unloads the library, or after an error abandons the
  // environment held.
  try {
    if (!library.CreateEnvironment(info->interface_version)) {
      *error = kNoEnvironmentText;
      return false;
    }
    AvsBinding& binding = library.binding();
    fault::CallTranslated([&] {
      try {
        std::optional<std::string> text = binding.VersionString();
        if (text) info->version_string = *text;
      } catch (const IScriptEnvironment::NotFound&) {
        // Libraries without VersionString keep the unknown-version text.
      }
      info->mt_support = binding.FunctionExists("SetMTMode") || binding.FunctionExists("Prefetch");
    });
    const bool released = library.Release(&reason);
    platform::SleepMs(50);
    if (!released) {
      *error = WithSystemError(kCannotUnload, reason);
      return false;
    }
  } catch (...) {
    *error = ExceptionText(kCannotLoad);
    return false;
  }
  return true;
}

}  // namespace

bool ProbeAvisynth(const std::string& avsdll, LibraryFacts* info, std::string* error,
                   AvsInterface binding_kind) {
  *info = LibraryFacts{};
  error->clear();

  const std::string name = AvsLibraryName(avsdll);
  platform::ImageInfo image;
  if (std::string reason; !platform::MapImage(name, &image, &reason)) {
    info->image_not_mapped = true;
    *error = WithSystemError(kCannotLoad, reason);
    return false;
  }

  bool has_linkage = false;
  bool ok = GuardedStep(error, kCannotLoad, [&] {
    if (!image.is_64bit) return;
    info->is_64bit_image = true;
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u", image.linker_major, image.linker_minor);
    info->linker_version = text;
    has_linkage = image.has_avs_linkage;
  });
  if (!ok) return false;
  if (!info->is_64bit_image) {
    *error = kCannotLoad;
    return false;
  }

  ok = GuardedStep(error, kCannotOpen, [&] {
    std::string location;
    info->location = platform::ResolvedFileLocation(image.path, &location, nullptr) ? location : image.path;
  });
  if (!ok) return false;

  info->file_version = platform::FileVersionText(info->location);
  if (!has_linkage) {
    *error = text::Format(
        "Avisynth version is too old (%s).\nPlease update to Avisynth 2.6 or Avisynth+.",
        info->file_version.c_str());
    return false;
  }

  info->time_stamp = FileTimeStampText(info->location);
  int version = 0;
  if (!TestInterfaceVersion(avsdll, &version, error, binding_kind)) return false;
  info->interface_version = version;

  const bool read = ReadVersionFacts(avsdll, binding_kind, info, error);
  ReadPluginDirectories(info);
  return read;
}

}  // namespace avs_host
