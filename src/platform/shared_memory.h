// Named shared memory sections. A failure's reason goes to *error (see
// platform/error.h; null when not wanted).
#pragma once

#include <cstddef>
#include <string>

#include "platform/handle.h"

namespace platform {

using SectionHandle = Handle<struct SectionTag>;

struct SharedSection {
  unsigned char* data = nullptr;  // the mapped bytes, size of them
  size_t size = 0;
  SectionHandle handle;
};

// Opens an existing section read/write and maps all of it. False when it
// does not exist or cannot be mapped.
bool OpenSharedSection(const std::string& name, SharedSection* section, std::string* error);
// Creates (or replaces) a section of size bytes, zero-filled, and maps it.
bool CreateSharedSection(const std::string& name, size_t size, SharedSection* section, std::string* error);
void CloseSharedSection(SharedSection* section);
bool RemoveSharedSection(const std::string& name, std::string* error);

}  // namespace platform
