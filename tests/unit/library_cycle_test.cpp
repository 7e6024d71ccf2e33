// A run loads the frame server library four times; each use must give back every descriptor, thread and
// mapping it took, or they pile up run by run, through either binding.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "platform/testing/scratch_dir.h"

namespace {

namespace fs = std::filesystem;


bool LibraryMapped() {
  std::ifstream maps("/proc/self/maps");
  const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  return text.find("libavisynth") != std::string::npos;
}

// Open descriptors and threads.
std::pair<long, long> Usage() {
  auto count = [](const char* dir) { return std::distance(fs::directory_iterator(dir), {}); };
  return {count("/proc/self/fd"), count("/proc/self/task")};
}

class LibraryCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(library_)) GTEST_FAIL() << "frame server not built: " << library_;
    ASSERT_FALSE(LibraryMapped()) << "another test left the library loaded";
  }

  // The four uses of a run, in its order.
  void RunOnce(const std::string& script, AvsInterface binding) {
    CAvisynthInfo info;
    std::string message;
    ASSERT_EQ(ProbeAvisynth(&info, &message, library_, binding), 1) << message;
    AnalyseScript(script, library_, info.interface_version, 1, &message, binding);

    AvsLibrary use(library_, binding);
    ASSERT_TRUE(use.Load() && use.FindFactory() && use.CreateEnvironment(info.interface_version));
    EXPECT_TRUE(use.Release());
  }

  // The frame server is built beside this test binary.
  std::string library_ = (fs::read_symlink("/proc/self/exe").parent_path() / "libavisynth.so").string();
  ScratchDir dir_;
};

TEST_F(LibraryCycle, RepeatedRunsLeaveNoDescriptorsThreadsOrMappings) {
  const struct { std::string name, script; bool unloads; } cases[] = {
      {"measurable", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\n", true},
      {"too short", "BlankClip(length=10, width=64, height=48)\n", true},
      {"worker threads", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\nPrefetch(2)\n", true},
      // After an error the library stays loaded on purpose, so this goes last.
      {"script error", "BlankClip(length=10\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string script = dir_.File("s.avs");
    ScratchDir::Write(script, c.script);
    const auto before = Usage();
    for (AvsInterface binding : {AvsInterface::kCpp, AvsInterface::kC}) {
      RunOnce(script, binding);
      EXPECT_EQ(Usage(), before) << (binding == AvsInterface::kC ? "C" : "C++") << " binding";
      EXPECT_TRUE(!c.unloads || !LibraryMapped());
    }
  }
}

}  // namespace
