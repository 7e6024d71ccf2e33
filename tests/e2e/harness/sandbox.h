// A scratch folder holding a private copy of the program and of one frame
// server variant, so that each test owns its settings file, scripts and
// outputs and no test sees another's.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

// Folder of the build under test (bin/korbinet, bin/libavisynth.so, ...).
std::string BuildDir();

struct SandboxOptions {
  // "standard" is the library beside the built program; any other name is
  // the folder frameserver/<variant>/ of the build.
  std::string variant = "standard";
  // Without a settings file the program writes its defaults and then runs
  // with AllowOnlyOneInstance=1, i.e. it takes the machine-wide lock.
  bool write_settings = true;
  // Keys replaced in (or added to) the default settings file.
  std::map<std::string, std::string> settings;
};

// A sandbox whose program finds no settings file and writes its own.
inline SandboxOptions WithoutSettingsFile() {
  SandboxOptions options;
  options.write_settings = false;
  return options;
}

class Sandbox {
 public:
  explicit Sandbox(const SandboxOptions& options = {});
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const;
  std::string ProgramPath() const { return Path("korbinet"); }
  std::string SettingsPath() const { return Path("Korbinet.ini"); }

  // The default file with AllowOnlyOneInstance=0, then the overrides.
  void WriteSettings(const std::map<std::string, std::string>& overrides = {});
  void WriteScript(const std::string& name, const std::string& text);
  void WriteFile(const std::string& name, const std::string& bytes);
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Names directly inside the folder, sorted.
  std::vector<std::string> ListFiles() const;

  // Puts the frame server variant into the sub-folder `folder` under its real
  // versioned name with a libavisynth.so link; returns the link's full path.
  std::string InstallLibrary(const std::string& variant, const std::string& folder);

 private:
  std::string dir_;
};

// The default settings file text with `overrides` applied line by line; keys
// not present are added at the end of the [Main] section.
std::string SettingsText(const std::map<std::string, std::string>& overrides);

}  // namespace e2e
