#include "platform/locations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files.h"

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Creates folder and its missing parents, private to the user. A failure
// shows later, when the file inside cannot be written.
void CreateFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = folder.substr(0, slash);
    mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) return;
  }
}

// $XDG_CONFIG_HOME/korbinet, or ~/.config/korbinet; a relative
// XDG_CONFIG_HOME is ignored, as the base directory rules say.
std::string UserSettingsFolder() {
  std::string base = Environment("XDG_CONFIG_HOME");
  if (!base.starts_with('/')) {
    std::string home = Environment("HOME");
    if (home.empty()) home = HomeDirectory();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/korbinet";
}

std::string ExistingFolder(const std::string& folder) {
  return !folder.empty() && DirectoryExists(folder) ? folder : std::string();
}

}  // namespace

std::string SettingsFilePath(const std::string& file_name) {
  std::string folder = FolderOf(ExecutablePath());
  if (folder.empty()) return {};
  // A program installed under /usr/local cannot write beside itself; each
  // user then keeps a file of their own. A packaged build never writes
  // beside itself, where root could leave a file no package owns.
#ifndef KORBINET_SETTINGS_PER_USER
  if (access(folder.c_str(), W_OK) == 0) return folder + "/" + file_name;
#endif
  std::string user_folder = UserSettingsFolder();
  if (user_folder.empty()) return folder + "/" + file_name;
  CreateFolders(user_folder);
  return user_folder + "/" + file_name;
}

PluginFolders FindPluginFolders(const std::string& library_path) {
  // The user's folders come from the password database, as the library
  // itself finds them, not from $HOME.
  std::string home = HomeDirectory();
  std::string library_folder = FolderOf(library_path);
  PluginFolders folders;
  if (!home.empty()) {
    folders.user_plus = ExistingFolder(home + "/.local/lib/avisynth");
    folders.user_classic = ExistingFolder(home + "/.avisynth");
  }
  if (!library_folder.empty()) folders.system_plus = ExistingFolder(library_folder + "/avisynth");
  return folders;
}

}  // namespace platform
