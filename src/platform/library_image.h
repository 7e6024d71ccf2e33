// What each back-end lends MapImage, whose steps are the same on every
// system: find the file, read it whole, read it as the system's image format.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/library.h"

namespace platform {

// The file OpenLibrary would load for name; empty (reason in *error) when the
// search finds none.
std::string FindLibraryFile(const std::string& name, std::string* error);
// The whole file, refused (reason in *error) when it is no regular file or
// larger than max_bytes.
bool ReadLibraryFile(const std::string& path, size_t max_bytes, std::vector<unsigned char>* bytes,
                     std::string* error);
// Fills all of *info but its path from the file's bytes; false with a short
// reason in *error when they are not a well-formed image of this system.
bool ReadLibraryImage(const unsigned char* data, size_t size, ImageInfo* info, std::string* error);

// An exported name that tells the library has the linkage table. Inline: the
// image readers stay free of everything else.
inline bool IsAvsLinkageName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower.find("avs_linkage") != std::string::npos;
}

}  // namespace platform
