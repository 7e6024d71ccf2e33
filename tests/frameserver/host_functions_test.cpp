// A host's own function through the C++ interface takes the place of a
// built-in of the same name, as in a real AviSynth+. Passing arguments and
// frames through a host's filter is the stage marker's test
// (tests/c_interface); a C filter the library never frees leaks its marker,
// which the sanitizer run reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "frameserver_host.h"
#include "platform/testing/scratch_dir.h"

namespace {

// The clip comes back as it was, audio and all.
AVSValue ApplyKeep(AVSValue args, void*, IScriptEnvironment*) { return args[0]; }

class HostFunctions : public testing::TestWithParam<const char*> {};

TEST_P(HostFunctions, HostsFunctionTakesThePlaceOfTheBuiltIn) {
  if (!std::filesystem::exists(GetParam())) GTEST_SKIP() << "no library at " << GetParam();
  LoadedServer server = LoadServer(GetParam());
  ASSERT_NE(server.env, nullptr);
  {
    server.env->AddFunction("KillAudio", "c", ApplyKeep, nullptr);
    ScratchDir dir;
    const std::string script = dir.File("keep.avs");
    ScratchDir::Write(script, "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\").KillAudio()\n");
    AVSValue result;
    try {
      result = server.env->Invoke("Import", AVSValue(script.c_str()));
    } catch (const AvisynthError& e) {
      FAIL() << e.msg;
    }
    ASSERT_TRUE(result.IsClip());
    EXPECT_TRUE(result.AsClip()->GetVideoInfo().HasAudio());
  }
  UnloadServer(server);
}

INSTANTIATE_TEST_SUITE_P(Libraries, HostFunctions,
                         testing::Values(FS_BUILD_DIR "/standard/libavisynth.so", AVISYNTH_PLUS_LIBRARY),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.index == 0 ? "FrameServer" : "AviSynthPlus");
                         });

}  // namespace
