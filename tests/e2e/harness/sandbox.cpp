#include "harness/sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace e2e {

std::string BuildDir() { return KORBINET_BUILD_DIR; }

unsigned UnprivilegedUid() { return geteuid() == 0 ? 65534 : 0; }

Sandbox::Sandbox(const SandboxOptions& options) : unprivileged_(options.unprivileged) {
  std::string pattern = (fs::temp_directory_path() / "korbinet-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
  // The program resolves its own path (/tmp may be a link): so must the tests.
  dir_ = fs::canonical(pattern).string();
  fs::copy_file(BuildDir() + "/bin/korbinet", ProgramPath());
  InstallLibrary(options.variant, ".");
  if (options.write_settings) WriteSettings(options.settings);
}

Sandbox::~Sandbox() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}


std::string Sandbox::InstallLibrary(const std::string& variant, const std::string& folder) {
  // The file version comes from the real name's suffix: keep it, as the build does.
  const std::string built = variant.starts_with("/") ? variant
                            : variant == "standard"  ? BuildDir() + "/bin/libavisynth.so"
                                                     : BuildDir() + "/frameserver/" + variant + "/libavisynth.so";
  std::error_code ec;
  const fs::path real = fs::canonical(built, ec);
  if (ec) return ADD_FAILURE() << "frame server variant '" << variant << "' is not built: " << built, std::string();
  const fs::path target_dir = fs::path(dir_) / folder;
  fs::create_directories(target_dir, ec);
  fs::copy_file(real, target_dir / real.filename(), fs::copy_options::overwrite_existing, ec);
  if (ec) ADD_FAILURE() << "cannot copy " << real << ": " << ec.message();
  std::tm local{};
  local.tm_sec = 5, local.tm_min = 4, local.tm_hour = 3, local.tm_mday = 2, local.tm_year = 120, local.tm_isdst = -1;
  const timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
  if (utimensat(AT_FDCWD, (target_dir / real.filename()).c_str(), times, 0) != 0) ADD_FAILURE() << "cannot pin time";
  const fs::path link = target_dir / "libavisynth.so";
  if (real.filename() != "libavisynth.so") {
    fs::remove(link, ec);
    fs::create_symlink(real.filename(), link, ec);
    if (ec) ADD_FAILURE() << "cannot link " << link << ": " << ec.message();
  }
  return link.lexically_normal().string();
}

void Sandbox::HandOver() const {
  const unsigned uid = UnprivilegedUid();
  if (!unprivileged_ || uid == 0) return;
  std::error_code ec;
  if (lchown(dir_.c_str(), uid, uid) != 0) ADD_FAILURE() << "cannot hand over " << dir_;
  for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (lchown(it->path().c_str(), uid, uid) != 0) ADD_FAILURE() << "cannot hand over " << it->path();
  }
}

void Sandbox::WriteSettings(const std::map<std::string, std::string>& overrides) {
  // A current file names only what differs: the program takes its defaults for the rest.
  std::map<std::string, std::string> all = overrides;
  all.try_emplace("AllowOnlyOneInstance", "0");
  std::string text = "[Main]\nVersion=" KORBINET_PROGRAM_VERSION "\n";
  for (const auto& [key, value] : all) text += key + "=" + value + "\n";
  WriteFile("Korbinet.ini", text);
}

void Sandbox::WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.good()) ADD_FAILURE() << "cannot write " << Path(name);
}

std::string Sandbox::ReadFile(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool Sandbox::Exists(const std::string& name) const { return fs::exists(fs::symlink_status(Path(name))); }

std::vector<std::string> Sandbox::ListFiles() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir_, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace e2e
