// The frame server seen through our interface header.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <typeinfo>

#include "frameserver_host.h"

namespace {

// The message of the AvisynthError that call throws, "" when it throws none.
template <typename F>
std::string ErrorOf(F call) {
  try {
    call();
  } catch (const AvisynthError& error) {
    return error.msg;
  }
  return "";
}

class StandardServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = LoadServer("standard", 7);
    ASSERT_NE(server_.env, nullptr);
    env_ = server_.env;
  }
  void TearDown() override { UnloadServer(server_); }
  AVSValue Eval(const std::string& text) { return env_->Invoke("Eval", AVSValue(text.c_str())); }

  LoadedServer server_;
  IScriptEnvironment* env_ = nullptr;
};

TEST(FrameServerExports, SymbolsVersionsAndVersionStringPerVariant) {
  struct Case { const char* variant; bool factory, linkage; int max; const char* version; };
  const Case cases[] = {
      {"standard", true, true, 7, "Reference Frame Server 1.0.0 (x86_64)"},
      {"classic", true, true, 6, "Reference Frame Server 2.6.0 MT (x86_64)"},
      {"v5", true, true, 5, "Reference Frame Server 2.6.0 beta (x86_64)"},
      {"plain", true, true, 7, nullptr},
      {"old", true, false, 3, "Reference Frame Server 2.5.8 (x86_64)"},
      {"nofactory", false, true, -1, nullptr},  // never gives an environment
      {"nullenv", true, true, -1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant);
    LoadedServer server = LoadServer(c.variant, c.max < 0 ? 3 : c.max + 1);
    ASSERT_NE(server.handle, nullptr);
    EXPECT_EQ(server.env, nullptr);  // a later version is refused
    EXPECT_EQ(FindSymbol(server, "CreateScriptEnvironment") != nullptr, c.factory);
    EXPECT_EQ(FindSymbol(server, "AVS_linkage") != nullptr, c.linkage);
    EXPECT_NE(FindSymbol(server, "_ZTI13AvisynthError"), nullptr);
    EXPECT_NE(FindSymbol(server, "_ZTIN18IScriptEnvironment8NotFoundE"), nullptr);
    UnloadServer(server);
    if (c.max < 0) continue;

    server = LoadServer(c.variant, c.max);
    ASSERT_NE(server.env, nullptr);
    EXPECT_EQ(ErrorOf([&] { server.env->CheckVersion(c.max + 1); }),
              "Plugin was designed for a later version of Avisynth (" + std::to_string(c.max + 1) + ")");
    if (c.version) {
      EXPECT_STREQ(server.env->Invoke("VersionString", AVSValue(nullptr, 0)).AsString(), c.version);
    } else {
      EXPECT_THROW(server.env->Invoke("VersionString", AVSValue(nullptr, 0)), IScriptEnvironment::NotFound);
    }
    if (c.linkage) {
      auto exported = static_cast<const AVS_Linkage* const*>(FindSymbol(server, "AVS_linkage"));
      EXPECT_EQ(*exported, server.env->GetAVSLinkage());
      EXPECT_EQ((*exported)->Size, 1672);
    }
    UnloadServer(server);
  }
  EXPECT_STREQ(typeid(AvisynthError).name(), "13AvisynthError");
  EXPECT_STREQ(typeid(IScriptEnvironment::NotFound).name(), "N18IScriptEnvironment8NotFoundE");
}

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

}  // namespace
