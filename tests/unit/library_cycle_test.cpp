// A run loads the frame server library four times; each use must give back every descriptor, thread and
// mapping it took, or they pile up run by run, through either binding.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "platform/testing/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// Open descriptors, threads, and whether the library is mapped.
std::tuple<long, long, bool> Usage() {
  auto count = [](const char* dir) { return std::distance(fs::directory_iterator(dir), {}); };
  std::stringstream maps;
  maps << std::ifstream("/proc/self/maps").rdbuf();
  return {count("/proc/self/fd"), count("/proc/self/task"), maps.str().find("libavisynth") != std::string::npos};
}

TEST(LibraryCycle, RepeatedRunsLeaveNoDescriptorsThreadsOrMappings) {
  // The frame server is built beside this test binary.
  const std::string library = (fs::read_symlink("/proc/self/exe").parent_path() / "libavisynth.so").string();
  ASSERT_TRUE(fs::exists(library)) << "frame server not built: " << library;
  ASSERT_FALSE(std::get<2>(Usage())) << "another test left the library loaded";
  ScratchDir dir;
  const std::string script = dir.File("s.avs");
  const struct { std::string name, script; bool unloads; } cases[] = {
      {"measurable", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\n", true},
      {"too short", "BlankClip(length=10, width=64, height=48)\n", true},
      {"worker threads", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\nPrefetch(2)\n", true},
      // After an error the library stays loaded on purpose, so this goes last.
      {"script error", "BlankClip(length=10\n", false},
  };
  for (const auto& c : cases) {
    ScratchDir::Write(script, c.script);
    const auto before = Usage();
    for (avs_host::AvsInterface binding : {avs_host::AvsInterface::kCpp, avs_host::AvsInterface::kC}) {
      SCOPED_TRACE(c.name + (binding == avs_host::AvsInterface::kC ? ", C binding" : ", C++ binding"));
      // The four uses of a run, in its order.
      avs_host::LibraryFacts info;
      std::string message;
      ASSERT_TRUE(avs_host::ProbeAvisynth(library, &info, &message, binding)) << message;
      uint32_t interval = 0;
      avs_host::AnalyseScript(script, library, info.interface_version, 1, &interval, &message, binding);
      // A failed analysis keeps the library loaded on purpose; its message
      // tells why when the check below fails.
      SCOPED_TRACE("analysis: " + message);
      avs_host::AvsLibrary use(library, binding);
      ASSERT_TRUE(use.Load(nullptr) && use.FindFactory() && use.CreateEnvironment(info.interface_version));
      EXPECT_TRUE(use.Release(nullptr));
      EXPECT_EQ(Usage(), c.unloads ? before : std::make_tuple(std::get<0>(before), std::get<1>(before), true));
    }
  }
}

}  // namespace
