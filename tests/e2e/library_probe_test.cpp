// The library probe and the -avsinfo listing, for every variant and for unusable files.
#include "e2e_common.h"

namespace e2e {
namespace {

// The version line taken back, then a line feed before and after the listing.
std::string AvsinfoErrorText(const VariantFacts& facts) { return PipedStartTextFor(facts) + "\r\n\n"; }

struct ListingCase {
  std::string variant;
  bool through_avsdll;  // else the copy beside the program is found
  bool plugin_folder;
};

TEST(AvsinfoListing, ShowsEachVariantByteForByteOnStandardOutput) {
  const std::vector<ListingCase> cases = {
      {"standard", false, true}, {"standard", true, false}, {"classic", false, false}, {"classic", true, true},
      {"v5", false, true},       {"v5", true, false},       {"plain", false, false},   {"plain", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variant + (c.through_avsdll ? " via AVSDLL" : "") + (c.plugin_folder ? " with plugins" : ""));
    // Through AVSDLL the standard copy beside the program must not be the one reported.
    Sandbox sandbox(SandboxOptions{.variant = c.through_avsdll ? "standard" : c.variant, .settings = {}});
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
#if !defined(__clang__)
    // A second source for the linker line: the tests and the library share a compiler.
    const std::string gcc = std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__);
    EXPECT_NE(r.out.find("Linker/compiler version:     " + gcc + "\n"), std::string::npos);
#endif
  }
}

TEST(AvsinfoListing, ScriptPathIsStillCheckedButNotRun) {
  Sandbox sandbox;
  ProcessResult missing = RunPiped(sandbox, {"-avsinfo", "missing.avs"});
  EXPECT_EQ(missing.exit_status, 255) << Describe(missing);
  EXPECT_EQ(missing.err, PipedStartText() + "\nFile not found: \"missing.avs\"\n");
  EXPECT_EQ(missing.out, "");
  // A script that would crash on import shows it is neither analysed nor loaded.
  sandbox.WriteScript("crash.avs", "BlankClip(length=10)\nFault(-1, \"access\")\n");
  for (const auto& args : {std::vector<std::string>{"crash.avs", "-avsinfo"}, {"-avsinfo", "crash.avs"}}) {
    SCOPED_TRACE(args[0]);
    ProcessResult r = RunPiped(sandbox, args);
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_EQ(r.out, AvsinfoListing(ReportFor("standard", sandbox.Path("libavisynth.so"))));
    EXPECT_EQ(r.err, AvsinfoErrorText(FactsOf("standard")));
  }
}

TEST(LibraryProbe, RefusesUnusableLibrariesWithTheirOwnMessage) {
  Sandbox sandbox;
  fs::create_directories(sandbox.Path("folder.so"));
  const std::string gone = sandbox.Path("gone/libavisynth.so"), folder = sandbox.Path("folder.so");
  // A missing file or a folder stops before the probe.
  const std::string not_there = Banner() + "\rQuery Avisynth info...\rSpecified avisynth.dll does not exist:\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"x86", PipedProbeFailureStart() + "\nKorbinet (x64) cannot load a 32 Bit avisynth.dll.\n"},
      {"old", PipedProbeFailureStart() +
                  "\nAvisynth version is too old (2.5.8.5).\nPlease update to Avisynth 2.6 or Avisynth+.\n"},
      {"nofactory", PipedProbeFailureStart() + "\nFailed to load CreateScriptEnvironment()\n"},
      {"nullenv", PipedProbeFailureStart() + "\nCould not create IScriptenvironment (AVISYNTH_INTERFACE_VERSION = 5)\n"},
      {gone, not_there + gone + "\n"},
      {folder, not_there + folder + "\n"},
  };
  for (const auto& [variant, message] : cases) {
    SCOPED_TRACE(variant);
    const bool path = variant[0] == '/';
    sandbox.WriteSettings({{"AVSDLL", path ? variant : sandbox.InstallLibrary(variant, "lib-" + variant)}});
    // -avsinfo does not get past a failed probe either.
    for (const auto& args : {std::vector<std::string>{}, {"-avsinfo"}}) {
      ProcessResult r = RunPiped(sandbox, args);
      EXPECT_EQ(r.exit_status, 255) << Describe(r);
      EXPECT_EQ(r.err, message);
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
}  // namespace e2e
