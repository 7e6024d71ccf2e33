// Reads what the library probe needs from the bytes of a PE file (a Windows
// DLL). Pure: no system calls, no reads outside the buffer, whatever the
// bytes say.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::win32 {

struct PeImage {
  unsigned machine = 0;    // 0x8664 x64, 0x14C x86, 0xAA64 ARM64
  bool is_64bit = false;   // PE32+ optional header
  unsigned linker_major = 0;
  unsigned linker_minor = 0;
  std::vector<std::string> exports;  // names in the export table, in its order
  bool has_avs_linkage = false;      // an export containing "avs_linkage" (any case)
};

// False with a short reason in *error when the bytes are not a well-formed
// PE file.
bool ReadPeImage(const unsigned char* data, size_t size, PeImage* out, std::string* error);

}  // namespace platform::win32
