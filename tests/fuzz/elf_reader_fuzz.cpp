// The library probe's ELF reader over arbitrary file bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/elf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so a read past the end is caught even
  // when libFuzzer's own buffer would have room.
  const std::vector<unsigned char> bytes(data, data + size);
  platform::posix::ElfImage image;
  std::string error;
  const bool ok = platform::posix::ReadElfImage(bytes.data(), bytes.size(), &image, &error);
  if (!ok && error.empty()) __builtin_trap();  // every rejection has a reason
  if (ok) {
    for (const std::string& name : image.dynamic_symbols) {
      if (name.empty() || name.find('\0') != std::string::npos) __builtin_trap();
    }
  }

  unsigned major = 0;
  unsigned minor = 0;
  platform::posix::LastDottedVersion(std::string(reinterpret_cast<const char*>(data), size), &major, &minor);
  return 0;
}
