// The program's arguments: switches that override settings for this run, and
// the script to measure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings_file/settings.h"

namespace console {
class Console;
}  // namespace console

namespace app {

// The settings file's values, as the whole program reads them.
using settings_file::Settings;

struct CommandLineOptions {
  bool avs_info = false;
  bool clip_info = false;
  std::string script_path;
  std::string switches;
};

// Applies the switches to settings, in order; the first rejected argument
// ends the parse with false and its message in error (earlier switches stay).
bool ParseArguments(const std::vector<std::string>& args, Settings* settings,
                    CommandLineOptions* options, std::string* error);

// The same for argv[1..].
bool ParseCommandLine(int argc, char** argv, Settings* settings, CommandLineOptions* options,
                      std::string* error);

// Shown when the program gets no arguments.
void PrintUsage(console::Console& console);

}  // namespace app
