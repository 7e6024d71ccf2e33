// Reads what the library probe needs from the bytes of an ELF file. Pure: no
// system calls, no reads outside the buffer, whatever the bytes say.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::posix {

struct ElfImage {
  bool is_64bit = false;
  std::vector<std::string> dynamic_symbols;  // names in .dynsym, empty ones left out
  unsigned linker_major = 0;                 // compiler from .comment; 0.0 when none
  unsigned linker_minor = 0;
};

// False with a short reason in *error when the bytes are not a well-formed
// little-endian ELF file.
bool ReadElfImage(const unsigned char* data, size_t size, ElfImage* out, std::string* error);

// Major and minor of the last dotted version in a compiler identification
// line ("GCC: (Debian 12.2.0-14) 12.2.0" gives 12, 2). False when none.
bool LastDottedVersion(const std::string& line, unsigned* major, unsigned* minor);

}  // namespace platform::posix
