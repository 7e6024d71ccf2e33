// The interface header's guards against a missing or short table, seen with
// the bundled frame server, the server's own guards against scripts that
// would exhaust the stack or leak on unload, and a host's own functions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "frameserver_host.h"
#include "platform/testing/scratch_dir.h"

namespace {

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

  LoadedServer server = LoadServer();
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

// Refused with an error, never a stack overflow.
TEST(FrameServerGuard, DeepNestingAndSelfImport) {
  LoadedServer server = LoadServer();
  ASSERT_NE(server.env, nullptr);
  ScratchDir dir;
  const std::string deep = dir.File("deep.avs"), self = dir.File("self.avs");
  ScratchDir::Write(deep, std::string(100000, '(') + "1" + std::string(100000, ')'));
  ScratchDir::Write(self, "Import(\"" + self + "\")\n");
  for (const std::string& path : {deep, self}) {
    std::string error;
    try {
      server.env->Invoke("Import", AVSValue(path.c_str()));
    } catch (const AvisynthError& e) {
      error = e.msg;
    }
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << path << ": " << error;
  }
  UnloadServer(server);
}

// The clip comes back as it was, audio and all.
AVSValue ApplyKeep(AVSValue args, void*, IScriptEnvironment*) { return args[0]; }

// A host's own function through the C++ interface takes the place of a built-in of the same name, as in a
// real AviSynth+. Passing arguments and frames through a host's filter is the stage marker's test
// (tests/c_interface); a C filter the library never frees leaks its marker, which the sanitizer run reports.
TEST(HostFunctions, HostsFunctionTakesThePlaceOfTheBuiltIn) {
  ScratchDir dir;
  const std::string script = dir.File("keep.avs");
  ScratchDir::Write(script, "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\").KillAudio()\n");
  for (const char* library : {FS_BUILD_DIR "/standard/libavisynth.so", AVISYNTH_PLUS_LIBRARY}) {
    SCOPED_TRACE(library);
    if (!std::filesystem::exists(library)) continue;  // no real AviSynth+ beside the project
    LoadedServer server = LoadServer(library);
    ASSERT_NE(server.env, nullptr);
    server.env->AddFunction("KillAudio", "c", ApplyKeep, nullptr);
    bool kept = false;
    try {
      const AVSValue result = server.env->Invoke("Import", AVSValue(script.c_str()));
      kept = result.IsClip() && result.AsClip()->GetVideoInfo().HasAudio();
    } catch (const AvisynthError& e) {
      ADD_FAILURE() << e.msg;
    }
    EXPECT_TRUE(kept);
    UnloadServer(server);
  }
}

}  // namespace
