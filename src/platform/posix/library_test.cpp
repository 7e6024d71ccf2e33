#include "platform/library.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string SystemLibrary() {
  for (const char* path : {"/lib/x86_64-linux-gnu/libm.so.6", "/usr/lib/x86_64-linux-gnu/libm.so.6", "/lib64/libm.so.6"})
    if (fs::exists(path)) return path;
  return {};
}

TEST(Library, LoadLookUpAndFree) {
  std::string path = SystemLibrary();
  if (path.empty()) GTEST_SKIP() << "no libm.so.6";
  LibraryHandle library = LoadLibrary(path);
  ASSERT_NE(library, nullptr) << LastErrorText();
  EXPECT_NE(GetProcAddress(library, "cos"), nullptr);
  ClearLastError();
  EXPECT_EQ(GetProcAddress(library, "no_such_symbol_here"), nullptr);
  EXPECT_NE(LastErrorText().find("no_such_symbol_here"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(library));
}

TEST(Library, FailuresCarryTheLoaderText) {
  ClearLastError();
  EXPECT_EQ(LoadLibrary("/no/such/dir/libavisynth.so"), nullptr);
  std::string text = LastErrorText();
  EXPECT_NE(text.find("/no/such/dir/libavisynth.so"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
  ClearLastError();
  EXPECT_EQ(LoadLibrary("korbinet_absent_library"), nullptr);
  EXPECT_NE(LastErrorText().find("libkorbinet_absent_library.so"), std::string::npos);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(Library, MapImageReadsTheFileFound) {
  ImageInfo info;
  ASSERT_TRUE(MapImage("/proc/self/exe", &info)) << LastErrorText();
  EXPECT_EQ(info.path, "/proc/self/exe");
  EXPECT_TRUE(info.is_64bit);
  EXPECT_FALSE(info.has_avs_linkage);

  char pattern[] = "/tmp/korbinet_image_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string text_file = std::string(pattern) + "/libfake.so";
  std::ofstream(text_file) << "INPUT(-lfake)\n";
  ClearLastError();
  EXPECT_FALSE(MapImage(text_file, &info));
  EXPECT_EQ(LastErrorText(), text_file + ": not an ELF file\n");
  ClearLastError();
  EXPECT_FALSE(MapImage("korbinet_absent_library", &info));
  EXPECT_NE(LastErrorText(), "");
  EXPECT_FALSE(MapImage(pattern, &info)) << "a folder is no image";
  fs::remove_all(pattern);
}

TEST(Library, BareNameIsLookedForInTheLibraryPath) {
  char pattern[] = "/tmp/korbinet_libpath_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::copy_file("/proc/self/exe", std::string(pattern) + "/libkorbinetprobe.so");
  const char* old = getenv("LD_LIBRARY_PATH");
  std::string saved = old ? old : "";
  setenv("LD_LIBRARY_PATH", (std::string("/nowhere::") + pattern).c_str(), 1);
  ImageInfo info;
  bool mapped = MapImage("korbinetprobe", &info);
  if (old) setenv("LD_LIBRARY_PATH", saved.c_str(), 1); else unsetenv("LD_LIBRARY_PATH");
  EXPECT_TRUE(mapped) << LastErrorText();
  EXPECT_EQ(info.path, std::string(pattern) + "/libkorbinetprobe.so");
  fs::remove_all(pattern);
}

}  // namespace
}  // namespace platform
