#include "platform/library.h"

#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/library_image.h"
#include "platform/win32/pe_reader.h"
#include "platform/win32/read_fully.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::Narrow;
using win32::WidePath;

namespace {

bool HasFolder(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

// LoadLibrary adds ".dll" to a name without an extension.
std::string FileNameFor(const std::string& name) {
  size_t separator = name.find_last_of("\\/:");
  size_t dot = name.rfind('.');
  bool has_extension = dot != std::string::npos && (separator == std::string::npos || dot > separator);
  return has_extension ? name : name + ".dll";
}

std::string SystemFolder(UINT (*WINAPI query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH];
  UINT length = query(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? Narrow(buffer, length) : std::string();
}

HMODULE NativeOf(LibraryHandle library) { return reinterpret_cast<HMODULE>(library.native()); }

LibraryHandle Load(const std::string& name, std::string* error) {
  // A library that is missing or broken is an error to report, not a dialog
  // box waiting for a click.
  DWORD previous_mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
  HMODULE module = LoadLibraryW(WidePath(name).c_str());
  const DWORD code = GetLastError();
  SetThreadErrorMode(previous_mode, nullptr);
  if (module == nullptr) win32::SetSystemError(error, code);
  return LibraryHandle::FromNative(reinterpret_cast<uintptr_t>(module));
}

}  // namespace

LibraryHandle OpenLibrary(const std::string& name, std::string* error) { return Load(name, error); }

LibraryHandle OpenSystemLibrary(const std::string& file_name, std::string* error) { return Load(file_name, error); }

SymbolAddress FindSymbol(LibraryHandle library, const char* symbol, std::string* error) {
  if (!library) {
    win32::SetSystemError(error, ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FARPROC address = GetProcAddress(NativeOf(library), symbol);
  if (address == nullptr) win32::SetLastSystemError(error);
  return reinterpret_cast<SymbolAddress>(address);
}

bool CloseLibrary(LibraryHandle library, std::string* error) {
  if (!library) {
    win32::SetSystemError(error, ERROR_INVALID_HANDLE);
    return false;
  }
  if (!FreeLibrary(NativeOf(library))) {
    win32::SetLastSystemError(error);
    return false;
  }
  return true;
}

// The folders LoadLibrary searches, in its order (safe search mode): the
// program's folder, the system folder, the Windows folder, the current
// folder, then PATH.
std::string FindLibraryFile(const std::string& name, std::string* error) {
  std::string file = FileNameFor(name);
  if (HasFolder(name)) {
    if (FileExists(file)) return file;
    win32::SetSystemError(error, ERROR_MOD_NOT_FOUND);
    return {};
  }
  std::vector<std::string> folders = {win32::FolderOf(ExecutablePath()), SystemFolder(GetSystemDirectoryW),
                                      SystemFolder(GetWindowsDirectoryW)};
  std::string current;
  if (FullPathName(".", &current, nullptr)) folders.push_back(current);
  std::vector<wchar_t> path(32768);
  DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
  std::string rest = length > 0 && length < path.size() ? Narrow(path.data(), length) : std::string();
  for (size_t start = 0; start < rest.size();) {
    size_t semicolon = rest.find(';', start);
    if (semicolon == std::string::npos) semicolon = rest.size();
    if (semicolon > start) folders.push_back(rest.substr(start, semicolon - start));
    start = semicolon + 1;
  }
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    std::string candidate = folder + (folder.back() == '\\' || folder.back() == '/' ? "" : "\\") + file;
    if (FileExists(candidate)) return candidate;
  }
  win32::SetSystemError(error, ERROR_MOD_NOT_FOUND);
  return {};
}

bool ReadLibraryFile(const std::string& path, size_t max_bytes, std::vector<unsigned char>* bytes,
                     std::string* error) {
  HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    win32::SetLastSystemError(error);
    return false;
  }
  LARGE_INTEGER size;
  size_t done = 0;
  DWORD code = ERROR_SUCCESS;
  if (!GetFileSizeEx(file, &size)) {
    code = GetLastError();
  } else if (static_cast<ULONGLONG>(size.QuadPart) > max_bytes) {
    code = ERROR_FILE_TOO_LARGE;
  } else {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    if (!win32::ReadFully(file, bytes->data(), bytes->size(), &done)) code = GetLastError();
  }
  CloseHandle(file);
  if (code != ERROR_SUCCESS) {
    win32::SetSystemError(error, code);
    return false;
  }
  bytes->resize(done);
  return true;
}

bool ReadLibraryImage(const unsigned char* data, size_t size, ImageInfo* info, std::string* error) {
  win32::PeImage image;
  if (!win32::ReadPeImage(data, size, &image, error)) return false;
  info->is_64bit = image.is_64bit;
  info->linker_major = image.linker_major;
  info->linker_minor = image.linker_minor;
  info->has_avs_linkage = image.has_avs_linkage;
  return true;
}

}  // namespace platform
