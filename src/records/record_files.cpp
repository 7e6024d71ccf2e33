#include "records/record_files.h"

#include "platform/files.h"

namespace records {

std::string PathBesideScript(const std::string& script_path, const std::string& extension) {
  if (script_path.size() <= 4) return script_path + extension;
  return script_path.substr(0, script_path.size() - 4) + extension;
}

std::string CannotCreateMessage(const std::string& path) {
  return "\nCannot create \"" + path + "\"\n";
}

std::string CannotOpenMessage(const std::string& path) {
  return "\nCannot open \"" + path + "\"\n";
}

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error) {
  // Written beside the target and renamed over it: a crash or a full disk
  // leaves the old file whole rather than a half-written new one.
  if (platform::WriteFileReplacing(path, content, nullptr)) return true;
  *error = CannotCreateMessage(path);
  return false;
}

}  // namespace records
