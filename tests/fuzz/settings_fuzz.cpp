// The settings file reader over arbitrary file contents, and the range rule
// it shares with the command line over arbitrary values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "settings_file/settings.h"

namespace {

// The reader takes a path. The fuzz script names a folder in memory; several
// fuzzers may share it, so a random tag keeps them apart.
struct ScratchFile {
  ScratchFile() {
    const char* dir = std::getenv("KORBINET_FUZZ_SCRATCH");
    path = std::string(dir != nullptr && *dir != '\0' ? dir : "/dev/shm") + "/settings-" +
           std::to_string(std::random_device()()) + ".tmp";
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile file;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!(std::ofstream(file.path, std::ios::binary) << bytes)) return 0;

  settings_file::Settings settings;
  std::string error;
  if (!settings_file::LoadSettingsFrom(file.path, "2.1.6", &settings, &error)) __builtin_trap();  // the file is ours and writable
  if (settings.ProcessPriority < 1 || settings.ProcessPriority > 3) __builtin_trap();
  if (settings.TimeLimit != -1 && (settings.TimeLimit < 1 || settings.TimeLimit > 999999)) {
    __builtin_trap();
  }

  settings_file::Settings range;
  if (!settings_file::ParseRangeValue(bytes, &range) &&
      (range.FrameRangeFirst != settings_file::UnsetFrameNumber || range.FrameRangeLast != settings_file::UnsetFrameNumber)) {
    __builtin_trap();  // a rejected value must leave both ends unset
  }
  return 0;
}
