// The program's arguments: switches that override settings for this run, and
// the script to measure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"

struct CommandLineOptions {
  int32_t AvsInfo = 0;
  int32_t ClipInfo = 0;
  std::string ScriptPath;
  std::string Switches;
};

// Reads argv[1..]; on rejection prints the message (on the stream chosen by
// ConUseSTDOUT) and returns false.
bool ParseCommandLine(int argc, char** argv, Settings* settings, CommandLineOptions* options);

// The same without printing: returns the rejection message, empty when every
// argument was accepted.
std::string ParseArguments(const std::vector<std::string>& args, Settings* settings,
                           CommandLineOptions* options);

// Shown when the program gets no arguments.
void PrintUsage();
