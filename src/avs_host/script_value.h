// A script value given as text (a --var value on korbinet-compare's command
// line), turned into the type the script would give it had it been written
// in the script.
#pragma once

#include <cstdint>
#include <string>

namespace avs_host {

// The rule, in this order:
//   true, false (any case)             -> bool
//   an integer that fits 32 bits       -> int     ("-3", "+12", "007")
//   a whole decimal number otherwise   -> float   ("0.5", "1e3", "4294967296")
//   "text" in double quotes            -> the string inside, quotes removed,
//                                         so "\"12\"" gives the string 12
//   anything else                      -> the text as it stands, a string
// No spaces are trimmed: " 1" is a string. Numbers are read in the C locale;
// AviSynth's own $hex form is a string here.
struct ScriptValue {
  enum class Kind { kBool, kInt, kFloat, kString };
  Kind kind = Kind::kString;
  bool boolean = false;
  int32_t integer = 0;
  double number = 0;
  std::string text;
};

ScriptValue ParseScriptValue(const std::string& text);

// A string value as it stands (SetMaxCPU's level).
ScriptValue StringScriptValue(const std::string& text);
ScriptValue IntScriptValue(int32_t value);

}  // namespace avs_host
