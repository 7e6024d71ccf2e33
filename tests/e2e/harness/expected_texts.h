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

// The usage text, then the blank line that follows it.
std::string UsageText();

}  // namespace e2e
