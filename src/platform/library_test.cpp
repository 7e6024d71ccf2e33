#include "platform/library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/testing/scratch_dir.h"
#include "platform/error.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// The search LoadLibrary makes: a path as it is, a bare name with ".dll"
// added, found through PATH after the program's and the system's folders.
TEST(Library, MapImageReadsTheFileLoadLibraryWouldLoad) {
  ImageInfo info;
  ASSERT_TRUE(MapImage(AVSPLUS_WINDOWS_DLL, &info)) << LastErrorText();
  EXPECT_TRUE(info.is_64bit && info.linker_major == 2 && info.linker_minor == 40);
  ScratchDir dir;
  const std::string folder = dir.File("");
  ScratchDir::Write(folder + "fake.dll", "MZ");
  fs::copy_file(AVSPLUS_WINDOWS_DLL, folder + "korbinetprobe.dll");
  EXPECT_FALSE(MapImage(folder + "fake.dll", &info));
  EXPECT_EQ(LastErrorText(), folder + "fake.dll: truncated PE file\n");
  const std::string saved = getenv("PATH") ? getenv("PATH") : "";
  _putenv_s("PATH", ("C:\\nowhere;;" + folder).c_str());
  EXPECT_TRUE(MapImage("korbinetprobe", &info) && info.path == folder + "korbinetprobe.dll") << LastErrorText();
  _putenv_s("PATH", saved.c_str());
  ClearLastError();
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info));
  EXPECT_NE(LastErrorText(), "");
}
#else
// Opening, finding and closing are checked end to end and by the library
// cycle test; reading the file the probe finds is checked only here.
TEST(Library, MapImageReadsTheFileTheSearchFinds) {
  ImageInfo info;
  ASSERT_TRUE(MapImage("/proc/self/exe", &info)) << LastErrorText();
  EXPECT_TRUE(info.is_64bit && !info.has_avs_linkage);
  ScratchDir dir;
  const std::string folder = dir.File("");
  ScratchDir::Write(folder + "libfake.so", "INPUT(-lfake)\n");
  fs::copy_file("/proc/self/exe", folder + "libkorbinetprobe.so");
  ClearLastError();
  EXPECT_FALSE(MapImage(folder + "libfake.so", &info));
  EXPECT_EQ(LastErrorText(), folder + "libfake.so: not an ELF file\n");
  EXPECT_FALSE(MapImage(folder, &info)) << "a folder is no image";
  const char* old = getenv("LD_LIBRARY_PATH");
  const std::string saved = old ? old : "";
  setenv("LD_LIBRARY_PATH", ("/nowhere::" + folder).c_str(), 1);
  EXPECT_TRUE(MapImage("korbinetprobe", &info) && info.path == folder + "libkorbinetprobe.so") << LastErrorText();
  old ? setenv("LD_LIBRARY_PATH", saved.c_str(), 1) : unsetenv("LD_LIBRARY_PATH");
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info));
}
#endif

}  // namespace
}  // namespace platform
