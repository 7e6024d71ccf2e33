// Dynamic libraries: load, look up, unload, and read a library file's image.
#pragma once

#include <string>

namespace platform {

using LibraryHandle = void*;

// A name with a '/' is used as it is; any other name becomes lib<name>.so and
// is looked for beside the executable first, then by the dynamic loader's own
// search. Null on failure (last error set).
LibraryHandle LoadLibrary(const std::string& name);
// Loads file_name as the dynamic loader finds it, with no name rewriting: a
// driver's versioned library (libfoo.so.1) or a path. Null on failure (last
// error set).
LibraryHandle LoadSystemLibrary(const std::string& file_name);
void* GetProcAddress(LibraryHandle library, const char* symbol);
// False on failure (last error set).
bool FreeLibrary(LibraryHandle library);

// What the probe learns from the library file without loading it.
struct ImageInfo {
  std::string path;            // the file found, full path
  bool is_64bit = false;       // ELF class 64
  unsigned linker_major = 0;   // compiler version that built it, 0.0 if none
  unsigned linker_minor = 0;
  bool has_avs_linkage = false;  // a dynamic symbol containing "avs_linkage" (any case)
};
// Finds the file by the LoadLibrary search and reads it as an image. False
// (last error set) when it is missing, unreadable, not ELF or malformed.
bool MapImage(const std::string& name, ImageInfo* info);

}  // namespace platform
