// A file for targets whose unit reads a path rather than bytes. It lives in
// the folder named by KORBINET_FUZZ_SCRATCH (the fuzz script makes one in
// memory and removes it afterwards), else in /dev/shm.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fuzz {

inline std::string ScratchPath(const char* stem) {
  const char* dir = std::getenv("KORBINET_FUZZ_SCRATCH");
  std::string base = dir != nullptr && *dir != '\0' ? dir : "/dev/shm";
  // Several fuzzers may share the folder: a random tag keeps them apart.
  std::random_device random;
  return base + "/" + stem + "-" + std::to_string(random()) + ".tmp";
}

// Replaces the file's contents with the given bytes.
inline bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

// Removes the file when the fuzzer exits normally.
struct ScratchFile {
  explicit ScratchFile(const char* stem) : path(ScratchPath(stem)) {}
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  std::string path;
};

}  // namespace fuzz
