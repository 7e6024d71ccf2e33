// The settings file beside the executable: created, replaced or kept, and the
// messages when it cannot be used. Runs that end up on the built-in defaults
// take the single-instance lock, so those suites carry the InstanceLock prefix.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

int CountLines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(InstanceLockSettingsFile, MissingFileIsCreatedWithTheDefaults) {
  Sandbox sandbox(WithoutSettingsFile());
  ProcessResult r = RunPiped(sandbox, {});
  const std::string file = sandbox.ReadFile("Korbinet.ini");
  EXPECT_EQ(file, DefaultSettingsFile());
  EXPECT_EQ(CountLines(file), 21);
  EXPECT_EQ(file.find('\r'), std::string::npos);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText());
  EXPECT_EQ(r.out, UsageText());
}

// Files of another version (or none) are replaced and not read: their
// ConUseSTDOUT=1 must not move the console text to standard output.
TEST(InstanceLockSettingsFile, FileOfAnotherVersionIsReplacedAndIgnored) {
  const std::vector<std::string> stale_files = {
      "[Main]\nVersion=2.1.5\nConUseSTDOUT=1\nPauseBeforeExit=1\n",
      "[Main]\nConUseSTDOUT=1\nAllowOnlyOneInstance=0\n",
      "[Main]\nVersion=\nConUseSTDOUT=1\n",
      "[Main]\nVersion=2.1.6x\nConUseSTDOUT=1\n",
      "",
  };
  for (const auto& stale : stale_files) {
    SCOPED_TRACE(stale);
    Sandbox sandbox(WithoutSettingsFile());
    sandbox.WriteFile("Korbinet.ini", stale);
    ProcessResult r = RunPiped(sandbox, {}, std::nullopt, std::chrono::seconds(30));
    EXPECT_EQ(sandbox.ReadFile("Korbinet.ini"), DefaultSettingsFile());
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, PipedStartText());
    EXPECT_EQ(r.out, UsageText());
  }
}

TEST(SettingsFile, CurrentFileIsReadAndLeftAlone) {
  const std::vector<std::string> current_files = {
      "[Main]\nVersion=" + ProgramVersion5() + "\nConUseSTDOUT=1\nAllowOnlyOneInstance=0\n",
      "[Main]\r\n  VERSION = " + ProgramVersion5() + "  \r\nconusestdout 1\r\nAllowOnlyOneInstance=0\r\n",
      "[Main]\n\n[Miscellaneous]\nVersion=v" + ProgramVersion5() + "\n\nConUseSTDOUT:1\nAllowOnlyOneInstance=0\n",
  };
  for (const auto& current : current_files) {
    SCOPED_TRACE(current);
    Sandbox sandbox(WithoutSettingsFile());
    sandbox.WriteFile("Korbinet.ini", current);
    ProcessResult r = RunPiped(sandbox, {});
    EXPECT_EQ(sandbox.ReadFile("Korbinet.ini"), current);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, PipedStartText() + UsageText());
    EXPECT_EQ(r.err, "");
  }
}

TEST(SettingsFile, FileThatCannotBeCreatedStopsTheRunBeforeTheBanner) {
  // A folder in the file's place cannot be opened for writing, even by root.
  Sandbox sandbox(WithoutSettingsFile());
  std::filesystem::create_directory(sandbox.SettingsPath());
  ProcessResult r = RunPiped(sandbox, {"-log"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, "\nCannot create \"" + sandbox.SettingsPath() + "\"\n");
  EXPECT_EQ(r.err, "");
}

TEST(SettingsFile, ReadOnlyFolderWithoutFileReportsCannotCreate) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from writing";
  Sandbox sandbox(WithoutSettingsFile());
  ASSERT_EQ(chmod(sandbox.Dir().c_str(), 0555), 0);
  ProcessResult r = RunPiped(sandbox, {});
  chmod(sandbox.Dir().c_str(), 0755);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, "\nCannot create \"" + sandbox.SettingsPath() + "\"\n");
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(sandbox.Exists("Korbinet.ini"));
}

TEST(SettingsFile, UnreadableFileReportsCannotOpen) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from reading";
  Sandbox sandbox;
  ASSERT_EQ(chmod(sandbox.SettingsPath().c_str(), 0), 0);
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, "\nCannot open \"" + sandbox.SettingsPath() + "\"\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace e2e
