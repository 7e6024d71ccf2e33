#include "platform/library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(Library, LoadLookUpAndFree) {
  const char* path = "/lib/x86_64-linux-gnu/libm.so.6";
  if (!fs::exists(path)) GTEST_SKIP() << "no " << path;
  LibraryHandle library = OpenLibrary(path);
  ASSERT_NE(library, nullptr) << LastErrorText();
  EXPECT_NE(FindSymbol(library, "cos"), nullptr);
  ClearLastError();
  EXPECT_EQ(FindSymbol(library, "no_such_symbol_here"), nullptr);
  EXPECT_NE(LastErrorText().find("no_such_symbol_here"), std::string::npos);
  EXPECT_TRUE(CloseLibrary(library));
  EXPECT_FALSE(CloseLibrary(nullptr));
  ClearLastError();
  EXPECT_EQ(OpenLibrary("korbinet_absent_library"), nullptr);
  EXPECT_NE(LastErrorText().find("libkorbinet_absent_library.so"), std::string::npos);
  EXPECT_EQ(LastErrorText().back(), '\n');
}

TEST(Library, MapImageReadsTheFileFound) {
  ImageInfo info;
  ASSERT_TRUE(MapImage("/proc/self/exe", &info)) << LastErrorText();
  EXPECT_TRUE(info.is_64bit && !info.has_avs_linkage);
  char pattern[] = "/tmp/korbinet_image_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  std::ofstream(folder + "/libfake.so") << "INPUT(-lfake)\n";
  fs::copy_file("/proc/self/exe", folder + "/libkorbinetprobe.so");
  ClearLastError();
  EXPECT_FALSE(MapImage(folder + "/libfake.so", &info));
  EXPECT_EQ(LastErrorText(), folder + "/libfake.so: not an ELF file\n");
  EXPECT_FALSE(MapImage(folder, &info)) << "a folder is no image";
  // A bare name is looked for in the library path.
  const char* old = getenv("LD_LIBRARY_PATH");
  std::string saved = old ? old : "";
  setenv("LD_LIBRARY_PATH", ("/nowhere::" + folder).c_str(), 1);
  bool mapped = MapImage("korbinetprobe", &info);
  if (old) setenv("LD_LIBRARY_PATH", saved.c_str(), 1); else unsetenv("LD_LIBRARY_PATH");
  EXPECT_TRUE(mapped) << LastErrorText();
  EXPECT_EQ(info.path, folder + "/libkorbinetprobe.so");
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace platform
