#include "platform/files.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>

#include "platform/testing/scratch_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A fresh folder that is the current directory while the test runs.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::current_path(dir_.File("")), folder_ = fs::current_path().string(); }
  void TearDown() override { fs::current_path(previous_); }
  fs::path previous_ = fs::current_path();
  ScratchDir dir_;
  std::string folder_;
};

#ifdef _WIN32
// Paths are UTF-8 inside and wide at the system: a non-ASCII name must
// survive every call.
TEST_F(FilesTest, NonAsciiNamesThroughEveryCall) {
  std::string full;
  ASSERT_TRUE(FullPathName("a/../b/./clip.avs", &full, nullptr));
  EXPECT_EQ(full, folder_ + "\\b\\clip.avs");
  EXPECT_FALSE(FullPathName("C:\\" + std::string(3000, 'a'), &full, nullptr));
  const std::string name = "Pr\u00fcfung \u00fc.log";
  ASSERT_TRUE(WriteFileReplacing(name, "first", nullptr));
  ASSERT_TRUE(WriteFileReplacing(folder_ + "\\" + name, "second", nullptr));
  std::string content;
  EXPECT_TRUE(ReadSmallFile(name, 100, &content, nullptr) && content == "second") << content;
  std::vector<std::string> names;
  EXPECT_TRUE(ListDirectory(folder_, &names, nullptr) && names == std::vector<std::string>{name})
      << "a temporary file left";
  std::string location;
  EXPECT_TRUE(ResolvedFileLocation(name, &location, nullptr) && location == folder_ + "\\" + name) << location;
  std::ofstream("readonly.log") << "kept";
  fs::permissions("readonly.log", fs::perms::all, fs::perm_options::remove);
  EXPECT_FALSE(WriteFileReplacing("readonly.log", "new", nullptr));
  EXPECT_EQ(ScratchDir::Read("readonly.log"), "kept");
  fs::permissions("readonly.log", fs::perms::owner_all, fs::perm_options::add);
  // A test program has no version resource.
  EXPECT_EQ(FileVersionOfFile(ExecutablePath()) + FileVersionOfFile("missing.dll"), "");
}
#else
TEST_F(FilesTest, FullPathNameResolvesLexically) {
  fs::create_directory("real"), fs::create_directory_symlink("real", "link");
  struct Case { std::string path, full; } cases[] = {
      {"./clip.avs", folder_ + "/clip.avs"}, {"a/../b/./clip.avs", folder_ + "/b/clip.avs"},
      {"/x/y/../../../../clip.avs", "/clip.avs"}, {"//x//y/", "/x/y/"}, {"/..", "/"}, {".", folder_},
      {"link/../clip.avs", folder_ + "/clip.avs"},  // not folder_/.. as the link would give
      {"/" + std::string(3000, 'a') + "/../x", "/x"},  // only the result's length counts
  };
  std::string full;
  for (const Case& c : cases)
    EXPECT_TRUE(FullPathName(c.path, &full, nullptr) && full == c.full) << c.path << ": " << full;
  EXPECT_FALSE(FullPathName("", &full, nullptr));
}

TEST_F(FilesTest, FileVersionAndExistence) {
  for (const char* name : {"libavisynth.so.3.7.5", "libx.so.1.2.3.4.5", "libx.so.03.007", "libx.so", "libx.so.3a"})
    std::ofstream(name) << "x";
  fs::create_symlink("libavisynth.so.3.7.5", "libavisynth.so");
  fs::create_symlink("libavisynth.so", "libavisynth.so.9");
  struct Case { const char* path; const char* version; } cases[] = {
      {"libavisynth.so.9", "3.7.5.0"},  // links followed; a link's own suffix does not count
      {"libx.so.1.2.3.4.5", "1.2.3.4"}, {"libx.so.03.007", "3.7.0.0"},
      {"libx.so", ""}, {"libx.so.3a", ""}, {"missing.so.1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FileVersionOfFile(c.path), c.version) << c.path;
  EXPECT_TRUE(FileExists("libavisynth.so") && DirectoryExists("."));
  EXPECT_FALSE(FileExists(".") || FileExists("missing.so.1") || DirectoryExists("libx.so"));
}

TEST_F(FilesTest, WriteFileReplacingLeavesOnlyTheTargetOrNothing) {
  const auto mode = [] { return fs::status("settings.ini").permissions(); };
  ASSERT_TRUE(WriteFileReplacing("settings.ini", "first\n", nullptr));
  EXPECT_NE(mode() & fs::perms::group_read, fs::perms::none) << "a new file gets the usual mode, not 0600";
  chmod("settings.ini", 0640);
  ASSERT_TRUE(WriteFileReplacing(folder_ + "/settings.ini", "second", nullptr));
  EXPECT_EQ(ScratchDir::Read("settings.ini"), "second");
  EXPECT_EQ(mode(), fs::perms(0640));
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  std::string error;
  EXPECT_FALSE(WriteFileReplacing("no/such/folder/file.log", "x", &error));
  EXPECT_EQ(error, "No such file or directory");
  fs::create_directory("locked");
  std::ofstream("locked/old.log") << "old", std::ofstream("readonly.log") << "kept";
  chmod("readonly.log", 0444), chmod("locked", 0555), chmod(folder_.c_str(), 0777);
  pid_t child = fork();  // permissions do not bind the superuser: check as nobody
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
    _exit(WriteFileReplacing("locked/old.log", "new", nullptr) ||
          WriteFileReplacing("locked/new.log", "new", nullptr) || WriteFileReplacing("readonly.log", "new", nullptr));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a read-only place was written";
  EXPECT_EQ(ScratchDir::Read("locked/old.log") + ScratchDir::Read("readonly.log"), "oldkept");
  EXPECT_EQ(std::distance(fs::directory_iterator("locked"), fs::directory_iterator()), 1);
  chmod("locked", 0700);
}
#endif

}  // namespace
}  // namespace platform
