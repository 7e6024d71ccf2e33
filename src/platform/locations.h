// Where the program keeps its settings and where the AviSynth library looks
// for plug-ins: rules that differ by system.
#pragma once

#include <string>

namespace platform {

// The settings file named file_name: beside the program when this user may
// write the program's folder; otherwise (an install shared by many users)
// the user's own file, whose folder is created when missing so that the file
// can be written. Empty when the program's location is unknown.
std::string SettingsFilePath(const std::string& file_name);

// The plug-in folders the library reads, for the library file at
// library_path (full path); each is empty when that folder does not exist.
struct PluginFolders {
  std::string user_plus;     // "PluginDir+" of the user
  std::string system_plus;   // "PluginDir+" of the machine
  std::string user_classic;  // "PluginDir2_5" of the user
  std::string system_classic;  // "PluginDir2_5" of the machine (Windows only)
};
PluginFolders FindPluginFolders(const std::string& library_path);

}  // namespace platform
