// Dynamic libraries: load, look up, unload, and read a library file's image.
// A failure's reason goes to *error (see platform/error.h; null when not
// wanted).
#pragma once

#include <string>

#include "platform/handle.h"

namespace platform {

using LibraryHandle = Handle<struct LibraryTag>;
// The address of an exported function; cast to its real type to call it.
using SymbolAddress = void (*)();

// The back-end's search rule: a name with a '/' is used as it is; any other
// name becomes lib<name>.so and is looked for beside the executable first,
// then by the dynamic loader's own search. On Windows, LoadLibrary's own rule
// (".dll" added, the program's folder first). Null on failure.
LibraryHandle OpenLibrary(const std::string& name, std::string* error);
// Null when the library has no such symbol.
SymbolAddress FindSymbol(LibraryHandle library, const char* symbol, std::string* error);
// Opens file_name as the dynamic loader finds it, with no name rewriting: a
// driver's versioned library (libfoo.so.1) or a path. Null on failure.
LibraryHandle OpenSystemLibrary(const std::string& file_name, std::string* error);
bool CloseLibrary(LibraryHandle library, std::string* error);

// What the probe learns from the library file without loading it.
struct ImageInfo {
  std::string path;            // the file found, full path
  bool is_64bit = false;       // ELF class 64, PE32+
  unsigned linker_major = 0;   // compiler version that built it, 0.0 if none
  unsigned linker_minor = 0;
  bool has_avs_linkage = false;  // a dynamic symbol or export containing "avs_linkage" (any case)
};
// Finds the file by the OpenLibrary search and reads it as an image. False
// when it is missing, unreadable, not ELF or malformed.
bool MapImage(const std::string& name, ImageInfo* info, std::string* error);

}  // namespace platform
