#include "platform/library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/testing/scratch_dir.h"

namespace platform {
namespace {

#ifdef _WIN32
const std::string kImage = AVSPLUS_WINDOWS_DLL, kVariable = "PATH", kFolders = "C:\\nowhere;;";
const std::string kProbe = "korbinetprobe.dll", kFake = "fake.dll", kFakeBytes = "MZ";
const std::string kFakeError = ": truncated PE file";
void SetVariable(const std::string& value) { _putenv_s(kVariable.c_str(), value.c_str()); }
#else
const std::string kImage = "/proc/self/exe", kVariable = "LD_LIBRARY_PATH", kFolders = "/nowhere::";
const std::string kProbe = "libkorbinetprobe.so", kFake = "libfake.so", kFakeBytes = "INPUT(-lfake)\n";
const std::string kFakeError = ": not an ELF file";
void SetVariable(const std::string& value) { setenv(kVariable.c_str(), value.c_str(), 1); }
#endif

// Opening, finding and closing are checked end to end and by the library cycle test; reading the file
// the search finds only here: a path as it is, a bare name as the system's file name, looked up through
// the variable's folders after the usual ones.
TEST(Library, MapImageReadsTheFileTheSearchFinds) {
  ImageInfo info;
  std::string error;
  ASSERT_TRUE(MapImage(kImage, &info, &error)) << error;
  EXPECT_TRUE(info.is_64bit);
  ScratchDir dir;
  const std::string folder = dir.File("");
  ScratchDir::Write(folder + kFake, kFakeBytes);
  std::filesystem::copy_file(kImage, folder + kProbe);
  // The copy keeps the original's read-only mode, which on Windows would keep the folder from going.
  std::filesystem::permissions(folder + kProbe, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  EXPECT_FALSE(MapImage(folder + kFake, &info, &error));
  EXPECT_EQ(error, folder + kFake + kFakeError);
  EXPECT_FALSE(MapImage(folder, &info, nullptr)) << "a folder is no image";
  const std::string saved = getenv(kVariable.c_str()) ? getenv(kVariable.c_str()) : "";
  SetVariable(kFolders + folder);
  EXPECT_TRUE(MapImage("korbinetprobe", &info, &error) && info.path == folder + kProbe) << error;
  SetVariable(saved);
  error.clear();
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info, &error));
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace platform
