// The frame server seen through our interface header, scripts imported from
// files as the program does. Each variant's exports and version show in the
// end-to-end probe and -avsinfo cases.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "frameserver_host.h"

namespace {

class StandardServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = LoadServer("standard", 7);
    ASSERT_NE(server_.env, nullptr);
    env_ = server_.env;
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { UnloadServer(server_), std::filesystem::remove_all(dir_); }
  AVSValue Eval(const std::string& text) { return env_->Invoke("Eval", AVSValue(text.c_str())); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // The error text of the call, "" when it succeeds.
  std::string Error(const char* function, const std::string& arg) {
    try {
      env_->Invoke(function, AVSValue(arg.c_str()));
    } catch (const AvisynthError& error) {
      return error.msg;
    }
    return "";
  }

  LoadedServer server_;
  IScriptEnvironment* env_ = nullptr;
  std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
      ("fs_script_" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(StandardServer, PixelTypesAndPredicates) {
  enum { RGB24 = 1, RGB32 = 2, YUY2 = 4, YV24 = 8, YV16 = 16, YV12 = 32, YV411 = 64, Y8 = 128 };
  struct Case { const char* name; unsigned pixel_type; int tests; int row_bytes; };
  const Case cases[] = {  // 64x32 frames; row_bytes of the first plane
      {"YV12", 0xA0000008u, YV12, 64},       {"YV16", 0xA0000308u, YV16, 64},
      {"YV24", 0xA000030Bu, YV24, 64},       {"Y8", 0xE0000000u, Y8, 64},
      {"YV411", 0xA0000309u, YV411, 64},     {"YUY2", 0x60000004u, YUY2, 128},
      {"RGB24", 0x50000001u, RGB24, 192},    {"RGB32", 0x50000002u, RGB32, 256},
      {"YUV420P10", 0xA0050008u, 0, 128},    {"YUV444P16", 0xA001030Bu, 0, 128},
      {"RGB48", 0x50010001u, 0, 384},        {"RGB64", 0x50010002u, 0, 512},
      {"Y16", 0xE0010000u, 0, 128},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PClip clip = Eval(std::string("BlankClip(width=64, height=32, pixel_type=\"") + c.name + "\")").AsClip();
    const VideoInfo vi = clip->GetVideoInfo();
    EXPECT_EQ(static_cast<unsigned>(vi.pixel_type), c.pixel_type);
    const bool is[] = {vi.IsRGB24(), vi.IsRGB32(), vi.IsYUY2(), vi.IsYV24(),
                       vi.IsYV16(), vi.IsYV12(), vi.IsYV411(), vi.IsY8()};
    int tests = 0;
    for (int i = 0; i < 8; ++i) tests |= is[i] << i;
    EXPECT_EQ(tests, c.tests);
    EXPECT_EQ(clip->GetFrame(1, env_)->GetRowSize(), c.row_bytes);
  }
}

TEST_F(StandardServer, WorkerThreadsLiveExactlyAsLongAsTheirClip) {
  const int before = ThreadCount();
  {
    PClip clip = Eval("BlankClip(length=20).Fault(15, \"error\").Prefetch(3)").AsClip();
    EXPECT_EQ(ThreadCount(), before + 3);
    for (int n = 0; n < 15; ++n) EXPECT_TRUE(clip->GetFrame(n, env_)) << n;
    EXPECT_THROW(clip->GetFrame(15, env_), AvisynthError);  // raised on the requester
    env_->SetVar("last", AVSValue());
  }
  EXPECT_EQ(ThreadCount(), before);
  Eval("BlankClip().Workers(4)");
  EXPECT_EQ(ThreadCount(), before + 4);
  env_->SetVar("last", AVSValue());
  EXPECT_EQ(ThreadCount(), before);
}

TEST(FrameServerLifetime, CycleUnderValgrindLeavesNoLeaksOrThreads) {
  if (std::system("valgrind --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no valgrind";
#ifdef KORBINET_SANITIZED
  GTEST_SKIP() << "valgrind cannot run a sanitizer build";
#endif
  EXPECT_EQ(std::system((std::string("valgrind -q --leak-check=full --error-exitcode=1 ") + FS_CYCLE_TOOL +
                         " > /dev/null 2>&1").c_str()), 0);
}

TEST(HostGuard, MissingOrShortTableGivesNeutralResults) {
  VideoInfo vi{};
  vi.width = 5;
  g_avs_linkage = nullptr;
  EXPECT_EQ(AVSValue(5).TypeCode(), 'v');
  EXPECT_FALSE(PClip());  // a safe null, not garbage
  EXPECT_FALSE(vi.HasVideo());

  LoadedServer server = LoadServer("standard", 7);
  ASSERT_NE(server.env, nullptr);
  const AVS_Linkage* real = g_avs_linkage;
  EXPECT_EQ(real->Size, 1672);  // the table of AviSynth+ 3.7.5
  AVS_Linkage shortened = *real;
  shortened.Size = 8 + 16 * 72;  // ends just before the int constructor
  g_avs_linkage = &shortened;
  EXPECT_EQ(AVSValue(5).TypeCode(), 'v');
  {
    AVSValue flag(true);  // entry 71 is still inside
    EXPECT_EQ(flag.TypeCode(), 'b');
    EXPECT_FALSE(flag.Defined());  // entry 81 is not
  }
  EXPECT_TRUE(vi.HasVideo());  // within reach of the shortened table
  shortened.Size = 8 + 16 * 200;
  shortened.HasVideo = nullptr;  // a null entry below Size is skipped
  EXPECT_FALSE(vi.HasVideo());
  g_avs_linkage = real;
  UnloadServer(server);
}

TEST_F(StandardServer, ErrorTextsCarryPathAndLine) {
  struct Case { std::string text; const char* message; const char* location; };
  const Case cases[] = {
      {"BlankClip()\n\nFoo(3)\n", "Script error: There is no function named 'Foo'.", "line 3)"},
      {"BlankClip()\nTrim(\"a\", 2)\n", "Script error: Invalid arguments to function 'Trim'.",
       "line 2)"},
      {"BlankClip(length=10 width=3)\n", "Script error: expected a , or )", "line 1, column 20)"},
      {"BlankClip())\n", "Script error: syntax error", "line 1, column 11)"},
      {"x = \"open\n", "Script error: syntax error", "line 1, column 4)"},
      {"BlankClip(pixel_type=\"XYZ\")\n", "BlankClip: unknown pixel_type \"XYZ\"", "line 1)"},
      {std::string(100000, '(') + "1" + std::string(100000, ')'),  // refused before the stack runs out
       "Script error: expression nested too deeply", "line 1, column 200)"},
  };
  for (const Case& c : cases) {
    const std::string path = Write("bad.avs", c.text);
    EXPECT_EQ(Error("Import", path), std::string(c.message) + "\n(" + path + ", " + c.location);
  }
  EXPECT_EQ(Error("Eval", "BlankClip(,)"), "Script error: syntax error\n((null), line 1, column 10)");
  EXPECT_EQ(Error("Eval", "Foo()"), "Script error: There is no function named 'Foo'.");
}

TEST_F(StandardServer, MissingFileNestedAndSelfImports) {
  const std::string missing = (dir_ / "none.avs").string();
  EXPECT_EQ(Error("Import", missing), "Import: couldn't open \"" + missing + "\"");
  const std::string inner = Write("inner.avs", "BlankClip(length=7)\n");
  const std::string outer = Write("outer.avs", "Import(\"" + inner + "\").Trim(1, 3)\n");
  EXPECT_EQ(env_->Invoke("Import", AVSValue(outer.c_str())).AsClip()->GetVideoInfo().num_frames, 3);
  // Importing itself ends in an error, not a stack overflow.
  const std::string self = (dir_ / "self.avs").string();
  Write("self.avs", "Import(\"" + self + "\")\n");
  EXPECT_NE(Error("Import", self).find("nested too deeply"), std::string::npos);
}

}  // namespace
