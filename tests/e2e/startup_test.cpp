// The start of every run, through pipes (no terminal: no colours, no padding):
// banner, library line, the library choice, usage and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness/expected_texts.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

TEST(Startup, NoArgumentsPrintsBannerLibraryLineAndUsage) {
  Sandbox sandbox;
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText());
  EXPECT_EQ(r.out, UsageText());
}

TEST(Startup, ConsoleTextMovesToStandardOutputButUsageStaysThere) {
  Sandbox sandbox({.settings = {{"ConUseSTDOUT", "1"}}});
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.out, PipedStartText() + UsageText());
  EXPECT_EQ(r.err, "");
}

TEST(Startup, NoEscapeBytesWhenOutputIsNotATerminal) {
  // Colour is on by default; a pipe must still get plain text.
  Sandbox sandbox({.settings = {{"UseColor", "1"}}});
  ProcessResult r = RunPiped(sandbox, {"-priority=7"});
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << Describe(r);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << Describe(r);
}

TEST(Startup, LibraryNamedByAvsdllMustExist) {
  Sandbox sandbox;
  const std::string missing_file = sandbox.Path("nowhere/libavisynth.so");
  const std::string folder = sandbox.Path("libs");
  std::filesystem::create_directories(folder);
  for (const std::string& avsdll : {missing_file, folder}) {
    SCOPED_TRACE(avsdll);
    sandbox.WriteSettings({{"AVSDLL", avsdll}});
    ProcessResult r = RunPiped(sandbox, {});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, Banner() + "\rQuery Avisynth info...\r" + "Specified avisynth.dll does not exist:\n" +
                         avsdll + "\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST(Startup, AvsdllPathKeepsItsSpacesAndCase) {
  // The path is used as written, not as the normalised key line.
  Sandbox sandbox;
  const std::string library = sandbox.InstallLibrary("standard", "My Libs");
  sandbox.WriteSettings({{"AVSDLL", library}});
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, PipedStartText());
  EXPECT_EQ(r.out, UsageText());
}

TEST(Startup, ThirtyTwoBitLibraryIsRefused) {
  Sandbox sandbox;
  const std::string library = sandbox.InstallLibrary("x86", "x86");
  sandbox.WriteSettings({{"AVSDLL", library}});
  ProcessResult r = RunPiped(sandbox, {});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_EQ(r.err, Banner() + "\rQuery Avisynth info...\r" + "\r\r" +
                       "\nKorbinet (x64) cannot load a 32 Bit avisynth.dll.\n");
  EXPECT_EQ(r.out, "");
}

TEST(Startup, AvsinfoListsTheLibraryAndSucceeds) {
  Sandbox sandbox;
  ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
  EXPECT_EQ(r.exit_status, 0) << Describe(r);
  EXPECT_EQ(r.out.rfind("Avisynth version string:     " + StandardLibraryVersion() + "\n" +
                            "File version:                " + StandardLibraryFileVersion() + "\n",
                        0),
            0u)
      << Describe(r);
  EXPECT_EQ(r.err.rfind(PipedStartText(), 0), 0u) << Describe(r);
}

}  // namespace
}  // namespace e2e
