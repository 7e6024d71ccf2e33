// UTF-8 inside the program, UTF-16 at the Windows API: the conversions and
// the text of a failed call's error, shared by the back-end's units.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

std::wstring Widen(const std::string& text);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(const std::wstring& text);

// A path as the W functions want it: backslashes only.
std::wstring WidePath(const std::string& path);

// The system's text for a Windows error code, without its line end.
std::string SystemErrorText(DWORD code);
// The reason, for a caller that asked for one (see platform/error.h).
inline void SetSystemError(std::string* error, DWORD code) {
  if (error != nullptr) *error = SystemErrorText(code);
}
inline void SetLastSystemError(std::string* error) { SetSystemError(error, GetLastError()); }

// The folder part of a path, up to and without its last separator.
std::string FolderOf(const std::string& path);

}  // namespace platform::win32
