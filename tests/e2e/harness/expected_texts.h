// The program's own texts as the tests expect them, byte for byte.
#pragma once

#include <string>

namespace e2e {

// "2.1.6": the version the build gives the program.
std::string ProgramVersion5();

// The settings file the program writes when none is usable (LF line ends).
std::string DefaultSettingsFile();

// "\nKorbinet 2.1.6 (x64)\n"
std::string Banner();

// The standard variant's version string and its file version, as printed
// after the probe.
std::string StandardLibraryVersion();
std::string StandardLibraryFileVersion();

// Everything printed before the command line is looked at, for a run whose
// output is not a terminal (width 0, so status lines are not padded) and
// whose probe of the standard variant succeeds.
std::string PipedStartText();

// The usage text, then the blank line that follows it.
std::string UsageText();

}  // namespace e2e
