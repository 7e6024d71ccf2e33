// A scratch folder with private copies of the program and one frame server variant, so no test sees another's files.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

std::string BuildDir();  // of the build under test (bin/korbinet, bin/libavisynth.so, ...)

struct SandboxOptions {
  std::string variant = "standard";  // frameserver/<variant>/ of the build, or the path of a library file
  std::map<std::string, std::string> settings = {};  // keys replaced in (or added to) the default settings file
  bool write_settings = true;  // else the program writes its defaults, which take the machine-wide lock
  // Run as nobody when the tests run as root: permissions then bind, and there are no plug-in folders.
  bool unprivileged = false;
};

class Sandbox {
 public:
  explicit Sandbox(const SandboxOptions& options = {});
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& Dir() const { return dir_; }
  bool Unprivileged() const { return unprivileged_; }
  void HandOver() const;  // to the user the program runs as (after the test's writes)
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string ProgramPath() const { return Path("korbinet"); }

  // The default file with AllowOnlyOneInstance=0, then the overrides.
  void WriteSettings(const std::map<std::string, std::string>& overrides = {});
  void WriteFile(const std::string& name, const std::string& bytes);
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;
  std::vector<std::string> ListFiles() const;

  // Copies the variant into `folder` under its real name with a libavisynth.so link, its time
  // stamp set to 2020-01-02 03:04:05 local time; returns the link's path.
  std::string InstallLibrary(const std::string& variant, const std::string& folder);

 private:
  std::string dir_;
  bool unprivileged_ = false;
};

// The user id unprivileged runs take; 0 when the tests are not root.
unsigned UnprivilegedUid();

}  // namespace e2e
