#include "platform/locations.h"

#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::Narrow;
using win32::WidePath;

namespace {

// Whether this user may create files in folder: tried, since rights on
// Windows (inherited ACLs, virtualised Program Files) cannot be read off
// simply.
bool FolderWritable(const std::string& folder) {
  std::wstring probe = WidePath(folder) + L"\\korbinet-" + std::to_wstring(GetCurrentProcessId()) + L".probe";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// %APPDATA%\Korbinet, created when missing.
std::string UserSettingsFolder() {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  std::string folder = Narrow(buffer.data(), length) + "\\Korbinet";
  CreateDirectoryW(WidePath(folder).c_str(), nullptr);
  return folder;
}

// One value of Software\Avisynth in the 64-bit view; empty when missing.
std::string RegistryFolder(HKEY root, const wchar_t* value) {
  HKEY key;
  if (RegOpenKeyExW(root, L"Software\\Avisynth", 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return {};
  wchar_t buffer[2048];
  DWORD type = 0;
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  LSTATUS status = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  // A stored string need not end in a terminator.
  size_t length = bytes / sizeof(wchar_t);
  buffer[length] = L'\0';
  while (length > 0 && buffer[length - 1] == L'\0') --length;
  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[2048];
    DWORD size = ExpandEnvironmentStringsW(buffer, expanded, 2048);
    if (size > 0 && size <= 2048) return Narrow(expanded, size - 1);
  }
  return Narrow(buffer, length);
}

}  // namespace

std::string SettingsFilePath(const std::string& file_name) {
  std::string folder = win32::FolderOf(ExecutablePath());
  if (folder.empty()) return {};
  // Under Program Files a user may not write beside the program; each user
  // then keeps a file of their own, as on Linux.
  if (FolderWritable(folder)) return folder + "\\" + file_name;
  std::string user_folder = UserSettingsFolder();
  if (user_folder.empty()) return folder + "\\" + file_name;
  return user_folder + "\\" + file_name;
}

// The library reads the registry, whatever its own location.
PluginFolders FindPluginFolders(const std::string&) {
  PluginFolders folders;
  folders.user_plus = RegistryFolder(HKEY_CURRENT_USER, L"PluginDir+");
  folders.system_plus = RegistryFolder(HKEY_LOCAL_MACHINE, L"PluginDir+");
  folders.user_classic = RegistryFolder(HKEY_CURRENT_USER, L"PluginDir2_5");
  folders.system_classic = RegistryFolder(HKEY_LOCAL_MACHINE, L"PluginDir2_5");
  return folders;
}

}  // namespace platform
