#include "avisynth_info.h"

#include <cstdio>

#include "avs_host/avs_library.h"
#include "fault/structured_exception.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "text/text.h"

CAvisynthInfo g_avsinfo;

namespace {

const char kCannotLoad[] = "Cannot load avisynth.dll";
const char kCannotUnload[] = "Cannot unload avisynth.dll";
const char kCannotOpen[] = "Cannot open avisynth.dll";
const char kNoFactory[] = "Failed to load CreateScriptEnvironment()";
const char kNoEnvironment[] = "Could not create IScriptenvironment";

// Runs one guarded step of the probe; a fault or an unexpected exception
// becomes the probe's message.
template <class Fn>
bool GuardedStep(std::string* message, const char* other_text, Fn&& fn) {
  try {
    CallTranslated(fn);
    return true;
  } catch (const SE_Exception& e) {
    *message = FormatStructuredException(e.getSeNumber());
  } catch (...) {
    *message = WithSystemError(other_text);
  }
  return false;
}

}  // namespace

std::string FileTimeStampText(const std::string& path) {
  platform::LocalTime t{};
  if (!platform::FileModificationTime(path, &t)) return "Cannot determine timestamp";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u, %02u:%02u:%02u", t.year, t.month,
                t.day, t.hour, t.minute, t.second);
  return buffer;
}

std::string SplitPluginLine(const std::string& line, const std::string& spacing) {
  size_t split = line.find(":\t");
  if (split == std::string::npos) return line;
  return line.substr(0, split + 1) + spacing + line.substr(split + 2);
}

void ReadPluginDirectories(CAvisynthInfo* info) {
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

int TestInterfaceVersion(const std::string& avsdll, std::string* message,
                         AvsInterface binding_kind) {
  message->clear();
  AvsLibrary library(avsdll, binding_kind);
  if (!library.Load()) {
    *message = WithSystemError(kCannotLoad);
    return 0;
  }
  if (!library.FindFactory()) {
    *message = kNoFactory;
    return 0;
  }
  int version = 5;
  try {
    if (!library.CreateEnvironment(5)) {
      *message = "Could not create IScriptenvironment (AVISYNTH_INTERFACE_VERSION = 5)";
      return 0;
    }
    AvsBinding& binding = library.binding();
    try {
      CallTranslated([&] {
        binding.CheckVersion(6);
        version = 6;
        binding.CheckVersion(7);
        version = 7;
      });
    } catch (const AvisynthError&) {
      // The climb ends at the highest version the library accepts.
    }
  } catch (const AvisynthError& e) {
    *message = e.msg ? e.msg : "";
    return 0;
  } catch (const SE_Exception& e) {
    *message = FormatStructuredException(e.getSeNumber());
    return 0;
  } catch (...) {
    *message = WithSystemError(kCannotLoad);
    return 0;
  }
  try {
    if (!library.Release()) {
      *message = WithSystemError(kCannotUnload);
      version = 0;
    }
  } catch (const SE_Exception& e) {
    *message = FormatStructuredException(e.getSeNumber());
    return 0;
  }
  platform::SleepMs(50);
  return version;
}

int ProbeAvisynth(CAvisynthInfo* info, std::string* message, const std::string& avsdll,
                  AvsInterface binding_kind) {
  info->location.clear();
  info->file_version.clear();
  message->clear();
  info->version_string = "Unknown Avisynth Version";
  info->mt_support = 0;
  info->interface_version = 0;
  info->is_64bit_image = 0;
  info->image_not_mapped = 0;

  const std::string name = AvsLibraryName(avsdll);
  platform::ImageInfo image;
  platform::ClearLastError();
  if (!platform::MapImage(name, &image)) {
    info->image_not_mapped = 1;
    *message = WithSystemError(kCannotLoad);
    return 0;
  }

  bool has_linkage = false;
  bool ok = GuardedStep(message, kCannotLoad, [&] {
    if (!image.is_64bit) return;
    info->is_64bit_image = 1;
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u", image.linker_major, image.linker_minor);
    info->linker_version = text;
    has_linkage = image.has_avs_linkage;
  });
  if (!ok) return 0;
  if (!info->is_64bit_image) {
    *message = kCannotLoad;
    return 0;
  }

  ok = GuardedStep(message, kCannotOpen, [&] {
    std::string location;
    info->location = platform::ResolvedFileLocation(image.path, &location) ? location : image.path;
  });
  if (!ok) return 0;

  info->file_version = platform::FileVersionText(info->location);
  if (!has_linkage) {
    *message = text::Format(
        "Avisynth version is too old (%s).\nPlease update to Avisynth 2.6 or Avisynth+.",
        info->file_version.c_str());
    return 0;
  }

  info->time_stamp = FileTimeStampText(info->location);
  info->interface_version = TestInterfaceVersion(avsdll, message, binding_kind);
  if (info->interface_version == 0) return 0;

  int result = 1;
  {
    AvsLibrary library(avsdll, binding_kind);
    if (!library.Load()) {
      *message = WithSystemError(kCannotLoad);
      return 0;
    }
    if (!library.FindFactory()) {
      *message = kNoFactory;
      return 0;
    }
    try {
      if (!library.CreateEnvironment(info->interface_version)) {
        *message = kNoEnvironment;
        return 0;
      }
      AvsBinding& binding = library.binding();
      CallTranslated([&] {
        try {
          std::optional<std::string> text = binding.VersionString();
          if (text) info->version_string = *text;
        } catch (const IScriptEnvironment::NotFound&) {
          // Libraries without VersionString keep the unknown-version text.
        }
        info->mt_support = binding.FunctionExists("SetMTMode") || binding.FunctionExists("Prefetch");
      });
      if (!library.Release()) {
        *message = WithSystemError(kCannotUnload);
        result = 0;
      }
      platform::SleepMs(50);
    } catch (const AvisynthError& e) {
      *message = e.msg ? e.msg : "";
      result = 0;
    } catch (const SE_Exception& e) {
      *message = FormatStructuredException(e.getSeNumber());
      result = 0;
    } catch (...) {
      *message = WithSystemError(kCannotLoad);
      result = 0;
    }
    // Leaving the scope unloads the library, or after an error abandons the
    // environment held.
  }
  ReadPluginDirectories(info);
  return result;
}
