#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/stop_request.h"
#include "platform/win32/read_fully.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::Narrow;
using win32::SetLastSystemError;
using win32::WidePath;

namespace {

constexpr size_t kMaxFullPath = 2047;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

// Closes a file handle on every way out.
struct FileHandle {
  HANDLE handle;
  explicit FileHandle(HANDLE h) : handle(h) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle);
  }
  bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE handle, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(handle, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

}  // namespace

bool FullPathName(const std::string& path, std::string* full, std::string* error) {
  std::wstring wide = WidePath(path);
  std::vector<wchar_t> buffer(kMaxFullPath + 2);
  DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length == 0) {
    SetLastSystemError(error);
    return false;
  }
  if (length > kMaxFullPath) {
    win32::SetSystemError(error, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  *full = Narrow(buffer.data(), length);
  return true;
}

bool FileExists(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

// Read from the program's own version resource, as for any other file.
std::string ProgramFileVersion() { return FileVersionOfFile(ExecutablePath()); }

std::string FileVersionOfFile(const std::string& path) {
  std::wstring wide = WidePath(path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return {};
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
  return text;
}

bool ResolvedFileLocation(const std::string& path, std::string* location, std::string* error) {
  FileHandle file(OpenForReading(path));
  if (!file.valid()) {
    SetLastSystemError(error);
    return false;
  }
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetFinalPathNameByHandleW(file.handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      SetLastSystemError(error);
      return false;
    }
    if (length < buffer.size()) {
      std::wstring found(buffer.data(), length);
      // The drive-letter form, without the long-path prefix: "\\?\C:\x".
      if (found.starts_with(L"\\\\?\\UNC\\")) found = L"\\\\" + found.substr(8);
      else if (found.starts_with(L"\\\\?\\")) found = found.substr(4);
      *location = Narrow(found);
      return true;
    }
    buffer.resize(length + 1);
  }
}

bool FileModificationTime(const std::string& path, LocalTime* time, std::string* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
    SetLastSystemError(error);
    return false;
  }
  // Through the time zone's rule for that date, so that a summer time stamp
  // read in winter is not an hour off.
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    SetLastSystemError(error);
    return false;
  }
  *time = LocalTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
  return true;
}

std::string HomeDirectory() {
  wchar_t buffer[32768];
  DWORD length = GetEnvironmentVariableW(L"USERPROFILE", buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  return Narrow(buffer, length);
}

bool WriteFileReplacing(const std::string& target, const std::string& content, std::string* error) {
  // A request to stop waits until the file is whole and the temporary gone.
  StopDeferral whole_file;
  std::wstring wide_target = WidePath(target);
  // A read-only target must stay as it is.
  DWORD attributes = GetFileAttributesW(wide_target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    win32::SetSystemError(error, ERROR_ACCESS_DENIED);
    return false;
  }
  std::wstring temp = wide_target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  HANDLE handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetLastSystemError(error);
    return false;
  }
  bool ok = WriteAll(handle, content) && FlushFileBuffers(handle);
  DWORD code = ok ? 0 : GetLastError();
  CloseHandle(handle);
  if (ok && !MoveFileExW(temp.c_str(), wide_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    code = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    win32::SetSystemError(error, code);
  }
  return ok;
}

bool ReadSmallFile(const std::string& path, size_t max_bytes, std::string* content, std::string* error) {
  FileHandle file(OpenForReading(path));
  if (!file.valid()) {
    SetLastSystemError(error);
    return false;
  }
  std::string text(max_bytes, '\0');
  size_t done = 0;
  if (!win32::ReadFully(file.handle, text.data(), max_bytes, &done)) {
    SetLastSystemError(error);
    return false;
  }
  text.resize(done);
  *content = std::move(text);
  return true;
}

bool ListDirectory(const std::string& path, std::vector<std::string>* names, std::string* error) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((WidePath(path) + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    SetLastSystemError(error);
    return false;
  }
  names->clear();
  do {
    std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") names->push_back(Narrow(entry.cFileName, name.size()));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return true;
}

}  // namespace platform
