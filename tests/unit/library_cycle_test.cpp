// A run loads the frame server library four times (probe, interface check,
// analysis, the run itself). Each use must give back everything it took:
// a descriptor or a worker thread left per cycle would pile up in a host
// that benchmarks script after script, and a library still mapped after the
// last unload would keep its state into the next use.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"

namespace {

namespace fs = std::filesystem;

// The frame server is built into the same folder as this test binary.
std::string BuiltLibrary() { return (fs::read_symlink("/proc/self/exe").parent_path() / "libavisynth.so").string(); }

size_t CountEntries(const std::string& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

bool LibraryMapped() {
  std::ifstream maps("/proc/self/maps");
  const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  return text.find("libavisynth") != std::string::npos;
}

struct Usage {
  size_t fds;
  size_t threads;
};

Usage Now() { return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task")}; }

class LibraryCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = BuiltLibrary();
    if (!fs::exists(library_)) GTEST_FAIL() << "frame server not built: " << library_;
    ASSERT_FALSE(LibraryMapped()) << "another test left the library loaded";
    dir_ = fs::temp_directory_path() / ("korbinet-cycle-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Script(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path) << text;
    return path;
  }

  // The four uses of a run, in its order.
  void RunOnce(const std::string& script) {
    CAvisynthInfo info;
    std::string message;
    ASSERT_EQ(ProbeAvisynth(&info, &message, library_), 1) << message;
    ASSERT_GT(info.interface_version, 0);

    AnalyseScript(script, library_, info.interface_version, 1, &message);

    platform::LibraryHandle handle = LoadAvsLibrary(library_);
    ASSERT_NE(handle, nullptr);
    CreateScriptEnvironmentFn factory = FindEnvironmentFactory(handle);
    ASSERT_NE(factory, nullptr);
    IScriptEnvironment* env = CreateEnvironment(factory, info.interface_version);
    ASSERT_NE(env, nullptr);
    EXPECT_TRUE(ReleaseEnvironment(env, handle));
  }

  std::string library_;
  fs::path dir_;
};

TEST_F(LibraryCycle, RepeatedRunsLeaveNoDescriptorsThreadsOrMappings) {
  struct Case {
    std::string name;
    std::string script;
    bool unloads;
  };
  const std::vector<Case> cases = {
      {"measurable", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\n", true},
      {"too short", "BlankClip(length=10, width=64, height=48)\n", true},
      {"worker threads", "BlankClip(length=30, width=64, height=48)\nSpin(20000)\nPrefetch(2)\n", true},
      // After an error the analysis leaves the library loaded on purpose (its
      // environment is not deleted); it must still not leak per cycle. Last,
      // since the library stays mapped from here on.
      {"script error", "BlankClip(length=10\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string script = Script("s.avs", c.script);
    const Usage before = Now();
    for (int cycle = 0; cycle < 2; ++cycle) {
      SCOPED_TRACE(cycle);
      RunOnce(script);
      const Usage after = Now();
      EXPECT_EQ(after.fds, before.fds);
      EXPECT_EQ(after.threads, before.threads);
      if (c.unloads) {
        EXPECT_FALSE(LibraryMapped());
      }
    }
  }
}

}  // namespace
