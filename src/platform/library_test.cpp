#include "platform/library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "bench/testing/scratch_dir.h"
#include "platform/error.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

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
  const bool mapped = MapImage("korbinetprobe", &info);
  old ? setenv("LD_LIBRARY_PATH", saved.c_str(), 1) : unsetenv("LD_LIBRARY_PATH");
  EXPECT_TRUE(mapped) << LastErrorText();
  EXPECT_EQ(info.path, folder + "libkorbinetprobe.so");
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info));
}

}  // namespace
}  // namespace platform
