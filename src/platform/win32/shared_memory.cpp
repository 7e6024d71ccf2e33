#include "platform/shared_memory.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Callers name sections the POSIX way ("/GPUZShMem"); Windows names have no slash.
std::wstring ObjectName(const std::string& name) {
  return win32::Widen(name.starts_with('/') ? name.substr(1) : name);
}

}  // namespace

bool OpenSharedSection(const std::string& name, SharedSection* section, std::string* error) {
  std::wstring wide = ObjectName(name);
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, wide.c_str());
  DWORD access = FILE_MAP_READ | FILE_MAP_WRITE;
  // A publisher may share its section for reading only.
  if (mapping == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    access = FILE_MAP_READ;
    mapping = OpenFileMappingW(access, FALSE, wide.c_str());
  }
  if (mapping == nullptr) {
    win32::SetLastSystemError(error);
    return false;
  }
  void* view = MapViewOfFile(mapping, access, 0, 0, 0);
  MEMORY_BASIC_INFORMATION region{};
  if (view == nullptr || VirtualQuery(view, &region, sizeof region) == 0) {
    win32::SetLastSystemError(error);
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(mapping);
    return false;
  }
  // The view's size is the section's, rounded up to whole pages.
  section->data = static_cast<unsigned char*>(view);
  section->size = region.RegionSize;
  section->handle = SectionHandle::FromNative(reinterpret_cast<uintptr_t>(mapping));
  return true;
}

bool CreateSharedSection(const std::string& name, size_t size, SharedSection* section, std::string* error) {
  // A section cannot be empty; one byte stands in, and none is shown.
  uint64_t bytes = size > 0 ? size : 1;
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                                      static_cast<DWORD>(bytes), ObjectName(name).c_str());
  if (mapping == nullptr) {
    win32::SetLastSystemError(error);
    return false;
  }
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
  MEMORY_BASIC_INFORMATION region{};
  if (view == nullptr || VirtualQuery(view, &region, sizeof region) == 0 || (existed && region.RegionSize < size)) {
    win32::SetSystemError(error, view == nullptr ? GetLastError() : ERROR_ALREADY_EXISTS);
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(mapping);
    return false;
  }
  // An old section still open elsewhere keeps its bytes: cleared, as new.
  if (existed) std::memset(view, 0, size);
  section->data = static_cast<unsigned char*>(view);
  section->size = size;
  section->handle = SectionHandle::FromNative(reinterpret_cast<uintptr_t>(mapping));
  return true;
}

void CloseSharedSection(SharedSection* section) {
  if (section->data != nullptr) UnmapViewOfFile(section->data);
  if (section->handle) CloseHandle(reinterpret_cast<HANDLE>(section->handle.native()));
  *section = SharedSection{};
}

// A section ends with its last handle; there is no name to remove.
bool RemoveSharedSection(const std::string&, std::string*) { return true; }

}  // namespace platform
