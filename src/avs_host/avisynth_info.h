// What the program knows about the AviSynth library it found at start: facts
// the probe returns, held by the run.
#pragma once

#include <cstdint>
#include <string>

#include "avs_host/avs_binding.h"

namespace avs_host {

class LibraryFacts {
 public:
  static constexpr int kPluginLines = 8;

  bool mt_support = false;
  int32_t interface_version = 0;
  std::string plugin_dirs[kPluginLines];
  uint8_t plugin_line_count = kPluginLines;
  std::string location;
  std::string linker_version;
  std::string file_version;
  std::string version_string = "Unknown Avisynth Version";
  std::string time_stamp;
  bool is_64bit_image = false;
  bool image_not_mapped = false;
};

// Probes the library named by avsdll ("avisynth" when empty). info holds
// what was found even on failure (the run words its message by it); false
// with error filled, which may be empty when the library gave no reason.
bool ProbeAvisynth(const std::string& avsdll, LibraryFacts* info, std::string* error,
                   AvsInterface binding = kBuildAvsInterface);

// The message for a probe that failed, by what the probe found; without the
// empty lines the console puts around it.
std::string ProbeFailureText(const LibraryFacts& info, const std::string& error);

// Climbs CheckVersion(6), CheckVersion(7) on an environment made with 5:
// version becomes 5, 6 or 7; false (version 0) with error filled.
bool TestInterfaceVersion(const std::string& avsdll, int* version, std::string* error,
                          AvsInterface binding = kBuildAvsInterface);

// "%04u-%02u-%02u, %02u:%02u:%02u" of the last write, or
// "Cannot determine timestamp".
std::string FileTimeStampText(const std::string& path);

// The eight plug-in directory lines ("label:\tpath"), for the library at
// location; 64-bit images fill lines 5 to 8.
void ReadPluginDirectories(LibraryFacts* info);

// "label:" + spacing + path, from a "label:\tpath" line.
std::string SplitPluginLine(const std::string& line, const std::string& spacing);

}  // namespace avs_host
