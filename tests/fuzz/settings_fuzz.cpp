// The settings file reader over arbitrary file contents, and the range rule
// it shares with the command line over arbitrary values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::ScratchFile file("settings");
  if (!fuzz::WriteScratch(file.path, data, size)) return 0;

  Settings settings;
  const std::string error = LoadSettingsFrom(file.path, "2.1.6", &settings);
  if (!error.empty()) __builtin_trap();  // the file is ours and writable
  if (settings.ProcessPriority < 1 || settings.ProcessPriority > 3) __builtin_trap();
  if (settings.TimeLimit != -1 && (settings.TimeLimit < 1 || settings.TimeLimit > 999999)) {
    __builtin_trap();
  }

  Settings range;
  const std::string value(reinterpret_cast<const char*>(data), size);
  if (!ParseRangeValue(value, &range) &&
      (range.FrameRangeFirst != UnsetFrameNumber || range.FrameRangeLast != UnsetFrameNumber)) {
    __builtin_trap();  // a rejected value must leave both ends unset
  }
  return 0;
}
