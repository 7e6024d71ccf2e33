// The settings file beside the executable: created, replaced or kept, also
// when it is garbage, and the messages when it cannot be used. Runs that end
// up on the built-in defaults take the single-instance lock, hence the prefix.
#include <sys/stat.h>
#include <unistd.h>

#include "e2e_common.h"

namespace e2e {
namespace {

const std::string kMiB(1 << 20, 'k');

// Files of another version, none, or garbage are replaced and not read: their
// ConUseSTDOUT=1 must not move the console text to standard output.
TEST(InstanceLockSettingsFile, UnusableFileIsReplacedWithTheDefaults) {
  const std::vector<std::optional<std::string>> files = {
      std::nullopt,
      "",
      "[Main]\nVersion=2.1.5\nConUseSTDOUT=1\nPauseBeforeExit=1\n",
      "[Main]\nConUseSTDOUT=1\nAllowOnlyOneInstance=0\n",
      "[Main]\nVersion=\nConUseSTDOUT=1\n",
      "[Main]\nVersion=2.1.6x\nConUseSTDOUT=1\n",
      RandomBytes(4096, 1),
      RandomBytes(65536, 2, false),
      kMiB,
      kMiB + "\n[Main]\nVersion=2.1.5\nConUseSTDOUT=1\n",
      // The NUL is part of the line: its last five characters are no version.
      "[Main]\nVersion=" + ProgramVersion5() + std::string("\0x", 2) + "\nConUseSTDOUT=1\n",
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file ? file->substr(0, 60) : "no file");
    Sandbox sandbox({.write_settings = false});
    if (file) sandbox.WriteFile("Korbinet.ini", *file);
    ProcessResult r = RunPiped(sandbox, {}, std::nullopt, 30s);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(sandbox.ReadFile("Korbinet.ini"), DefaultSettingsFile());
    EXPECT_EQ(r.err, PipedStartText());
    EXPECT_EQ(r.out, UsageText());
  }
}

TEST(SettingsFile, CurrentFileIsReadAndLeftAlone) {
  const std::string v = ProgramVersion5();
  const std::string current = "[Main]\nVersion=" + v + "\nAllowOnlyOneInstance=0\nConUseSTDOUT=1\n";
  const std::vector<std::string> files = {
      current,
      "[Main]\r\n  VERSION = " + v + "  \r\nconusestdout 1\r\nAllowOnlyOneInstance=0\r\n",
      "[Main]\n\n[Miscellaneous]\nVersion=v" + v + "\n\nConUseSTDOUT:1\nAllowOnlyOneInstance=0\n",
      // Long and binary lines around a current version are skipped.
      kMiB + "\n" + current,
      current + kMiB,
      RandomBytes(2048, 3) + "\n" + current + "\n" + RandomBytes(2048, 4),
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.substr(0, 60));
    Sandbox sandbox({.write_settings = false});
    sandbox.WriteFile("Korbinet.ini", file);
    ProcessResult r = RunPiped(sandbox, {}, std::nullopt, 30s);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_TRUE(sandbox.ReadFile("Korbinet.ini") == file) << "the current file must be left alone";
    EXPECT_EQ(r.out, PipedStartText() + UsageText());
    EXPECT_EQ(r.err, "");
  }
}

TEST(SettingsFile, FolderInTheFilesPlaceStopsTheRunBeforeTheBanner) {
  for (const bool with_args : {false, true}) {
    SCOPED_TRACE(with_args);
    Sandbox sandbox({.write_settings = false});
    fs::create_directory(sandbox.SettingsPath());
    sandbox.WriteScript("a.avs", "BlankClip()\n");
    ProcessResult r = RunPiped(sandbox, with_args ? std::vector<std::string>{"a.avs", "-log"}
                                                  : std::vector<std::string>{});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, "\nCannot create \"" + sandbox.SettingsPath() + "\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_directory(sandbox.SettingsPath()));
    EXPECT_FALSE(sandbox.Exists("a.log"));
  }
}

TEST(SettingsFile, PermissionsReportCannotCreateOrCannotOpen) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  Sandbox folder({.write_settings = false});
  ASSERT_EQ(chmod(folder.Dir().c_str(), 0555), 0);
  // The program's folder is not writable, so the user's own file is used;
  // here its folder cannot be made either.
  setenv("XDG_CONFIG_HOME", (folder.Dir() + "/config").c_str(), 1);
  ProcessResult r = RunPiped(folder, {});
  unsetenv("XDG_CONFIG_HOME");
  chmod(folder.Dir().c_str(), 0755);
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, "\nCannot create \"" + folder.Dir() + "/config/korbinet/Korbinet.ini\"\n");
  EXPECT_FALSE(folder.Exists("Korbinet.ini"));

  Sandbox file;
  ASSERT_EQ(chmod(file.SettingsPath().c_str(), 0), 0);
  r = RunPiped(file, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, "\nCannot open \"" + file.SettingsPath() + "\"\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace e2e
