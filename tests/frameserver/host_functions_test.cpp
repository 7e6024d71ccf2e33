// A host adds a function of its own to the script language through the C++
// interface: a pass-through filter that counts the frames it passes, as a
// timing filter would. The bundled frame server must treat it as a real
// AviSynth+ does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "frameserver_host.h"
#include "platform/testing/scratch_dir.h"

namespace {

constexpr int kCacheGetMtMode = 509;  // the library's question for a filter's MT mode
constexpr int kMtNiceFilter = 1;

struct Watch {
  std::string name;  // the string argument as the function received it
  int frames = 0;
  int mt_questions = 0;
  bool released = false;
};

class WatchClip : public IClip {
 public:
  WatchClip(const PClip& child, Watch* watch) : child_(child), watch_(watch) {}
  ~WatchClip() override { watch_->released = true; }
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    ++watch_->frames;
    return child_->GetFrame(n, env);
  }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    child_->GetAudio(buf, start, count, env);
  }
  int SetCacheHints(int hints, int) override {
    if (hints != kCacheGetMtMode) return 0;
    ++watch_->mt_questions;
    return kMtNiceFilter;
  }
  const VideoInfo& GetVideoInfo() override { return child_->GetVideoInfo(); }

 private:
  PClip child_;
  Watch* watch_;
};

AVSValue ApplyWatch(AVSValue args, void* user_data, IScriptEnvironment*) {
  Watch* watch = static_cast<Watch*>(user_data);
  watch->name = args[1].AsString();
  return AVSValue(PClip(new WatchClip(args[0].AsClip(), watch)));
}

// Takes the place of the built-in of this name: the clip comes back as it was.
AVSValue ApplyKeep(AVSValue args, void*, IScriptEnvironment*) { return args[0]; }

class HostFunctions : public testing::TestWithParam<const char*> {};

TEST_P(HostFunctions, ScriptCallsTheHostsFilterAndFramesPassThroughIt) {
  if (!std::filesystem::exists(GetParam())) GTEST_SKIP() << "no library at " << GetParam();
  LoadedServer server = LoadServer(GetParam());
  ASSERT_NE(server.env, nullptr);
  Watch watch;
  {
    server.env->AddFunction("TestWatch", "cs", ApplyWatch, &watch);
    server.env->AddFunction("KillAudio", "c", ApplyKeep, nullptr);
    EXPECT_TRUE(server.env->FunctionExists("TestWatch"));
    ScratchDir dir;
    const std::string script = dir.File("watch.avs");
    ScratchDir::Write(script, "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")\n"
                              "TestWatch(\"stage 'one' 100% </script>\").KillAudio()\n");
    AVSValue result;
    try {
      result = server.env->Invoke("Import", AVSValue(script.c_str()));
    } catch (const AvisynthError& e) {
      FAIL() << e.msg;
    }
    ASSERT_TRUE(result.IsClip());
    PClip clip = result.AsClip();
    EXPECT_EQ(watch.name, "stage 'one' 100% </script>");
    EXPECT_GE(watch.mt_questions, 1);  // asked for its MT mode, as AviSynth+ asks every new filter
    EXPECT_TRUE(clip->GetVideoInfo().HasAudio());
    for (int n = 0; n < 10; ++n) EXPECT_TRUE(clip->GetFrame(n, server.env)) << n;
    EXPECT_EQ(watch.frames, 10);
  }
  UnloadServer(server);
  EXPECT_TRUE(watch.released);
}

INSTANTIATE_TEST_SUITE_P(Libraries, HostFunctions,
                         testing::Values(FS_BUILD_DIR "/standard/libavisynth.so", AVISYNTH_PLUS_LIBRARY),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.index == 0 ? "FrameServer" : "AviSynthPlus");
                         });

}  // namespace
