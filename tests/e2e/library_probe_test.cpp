// The library probe at start-up and the -avsinfo listing, against every
// frame server variant and against files that are no usable library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "avisynth_expectations.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// What -avsinfo leaves on standard error after the start lines: the version
// line is taken back (no cursor movement on a pipe), a line feed before the
// listing and one after it.
std::string AvsinfoErrorText(const VariantFacts& facts) { return PipedStartTextFor(facts) + "\r" + "\n" + "\n"; }

struct ListingCase {
  std::string variant;
  bool through_avsdll;  // else the copy beside the program is found
  bool plugin_folder;
};

TEST(AvsinfoListing, ShowsEachVariantByteForByteOnStandardOutput) {
  const std::vector<ListingCase> cases = {
      {"standard", false, true},  {"standard", true, false}, {"classic", false, false},
      {"classic", true, true},    {"v5", false, true},       {"v5", true, false},
      {"plain", false, false},    {"plain", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variant + (c.through_avsdll ? " via AVSDLL" : " beside the program") +
                 (c.plugin_folder ? " with plugin folder" : ""));
    // Through AVSDLL the standard copy beside the program must not be the one reported.
    Sandbox sandbox(VariantSandbox(c.through_avsdll ? "standard" : c.variant));
    std::string link = sandbox.Path("libavisynth.so");
    if (c.through_avsdll) {
      link = sandbox.InstallLibrary(c.variant, "lib " + c.variant);
      sandbox.WriteSettings({{"AVSDLL", link}});
    }
    if (c.plugin_folder) fs::create_directories(fs::canonical(link).parent_path() / "avisynth");
    const LibraryReport expected = ReportFor(c.variant, link);

    ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_EQ(r.out, AvsinfoListing(expected));
    EXPECT_EQ(r.err, AvsinfoErrorText(expected.facts));
    EXPECT_EQ(r.out.find("PluginDir+    (HKLM, x64):") != std::string::npos, c.plugin_folder) << r.out;
  }
}

TEST(AvsinfoListing, LinkerVersionIsTheCompilerThatBuiltTheLibrary) {
  // Checks the expectation above against a second source: the bundled
  // library is built by the same compiler as these tests.
#if defined(__clang__)
  GTEST_SKIP() << "tests built with clang";
#else
  Sandbox sandbox;
  const std::string expected = std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__);
  EXPECT_EQ(CompilerVersionOf(fs::canonical(sandbox.Path("libavisynth.so")).string()), expected);
  ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
  EXPECT_NE(r.out.find("Linker/compiler version:     " + expected + "\n"), std::string::npos) << Describe(r);
#endif
}

TEST(AvsinfoListing, ScriptPathIsStillCheckedButNotRun) {
  Sandbox sandbox;
  const VariantFacts standard = FactsOf("standard");

  ProcessResult missing = RunPiped(sandbox, {"-avsinfo", "missing.avs"});
  EXPECT_EQ(missing.exit_status, 255) << Describe(missing);
  EXPECT_EQ(missing.err, PipedStartTextFor(standard) + "\nFile not found: \"missing.avs\"\n");
  EXPECT_EQ(missing.out, "");

  // A script that would crash on import shows it is neither analysed nor loaded.
  sandbox.WriteScript("crash.avs", "BlankClip(length=10)\nFault(-1, \"access\")\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"crash.avs", "-avsinfo"},
                                               std::vector<std::string>{"-avsinfo", "crash.avs"}}) {
    SCOPED_TRACE(args[0]);
    ProcessResult r = RunPiped(sandbox, args);
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_EQ(r.out, AvsinfoListing(ReportFor("standard", sandbox.Path("libavisynth.so"))));
    EXPECT_EQ(r.err, AvsinfoErrorText(standard));
  }
}

struct ProbeFailure {
  std::string name;
  // Returns the AVSDLL value after preparing the sandbox.
  std::string (*prepare)(Sandbox&);
  std::string message;  // printed right after the blanked query line
};

std::string Variant(Sandbox& sandbox, const std::string& variant) {
  return sandbox.InstallLibrary(variant, "lib-" + variant);
}

std::vector<ProbeFailure> ExactProbeFailures() {
  return {
      {"32-bit file", [](Sandbox& s) { return Variant(s, "x86"); },
       "\nKorbinet (x64) cannot load a 32 Bit avisynth.dll.\n"},
      {"too old", [](Sandbox& s) { return Variant(s, "old"); },
       "\nAvisynth version is too old (2.5.8.5).\nPlease update to Avisynth 2.6 or Avisynth+.\n"},
      {"no factory", [](Sandbox& s) { return Variant(s, "nofactory"); },
       "\nFailed to load CreateScriptEnvironment()\n"},
      {"null environment", [](Sandbox& s) { return Variant(s, "nullenv"); },
       "\nCould not create IScriptenvironment (AVISYNTH_INTERFACE_VERSION = 5)\n"},
  };
}

TEST(LibraryProbe, RefusesUnusableLibrariesWithTheirOwnMessage) {
  for (const auto& c : ExactProbeFailures()) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    sandbox.WriteSettings({{"AVSDLL", c.prepare(sandbox)}});
    // -avsinfo does not get past a failed probe either.
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"-avsinfo"}}) {
      ProcessResult r = RunPiped(sandbox, args);
      EXPECT_EQ(r.exit_status, 255) << Describe(r);
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.err, PipedProbeFailureStart() + c.message);
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(LibraryProbe, MissingFileOrFolderStopsBeforeTheProbe) {
  Sandbox sandbox;
  fs::create_directories(sandbox.Path("folder.so"));
  for (const std::string& avsdll : {sandbox.Path("gone/libavisynth.so"), sandbox.Path("folder.so")}) {
    SCOPED_TRACE(avsdll);
    sandbox.WriteSettings({{"AVSDLL", avsdll}});
    ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.err, Banner() + "\rQuery Avisynth info...\r" + "Specified avisynth.dll does not exist:\n" + avsdll + "\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST(LibraryProbe, FileThatIsNoLibraryCannotBeLoaded) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"text", "this is not a shared object\n"},
      {"empty", ""},
      {"truncated ELF header", std::string("\x7f" "ELF\x02\x01\x01", 7)},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    Sandbox sandbox;
    sandbox.WriteFile("fake.so", bytes);
    sandbox.WriteSettings({{"AVSDLL", sandbox.Path("fake.so")}});
    ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.signal, 0);
    const std::string prefix = PipedProbeFailureStart() + "\nCannot load avisynth.dll\n";
    ASSERT_EQ(r.err.substr(0, prefix.size()), prefix) << Describe(r);
    // The reason follows on its own line(s), and the message ends the output.
    const std::string reason = r.err.substr(prefix.size());
    EXPECT_GT(reason.size(), 1u) << Describe(r);
    EXPECT_EQ(reason.back(), '\n');
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace e2e
