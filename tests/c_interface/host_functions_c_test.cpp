// A host adds a function of its own through the plain C interface: a
// pass-through filter made with avs_new_c_filter that counts the frames it
// passes, as a timing filter would, against the bundled frame server and a
// real AviSynth+. How a host's function ranks among the built-ins is the
// environment's, checked through the C++ interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "avs_abi/avisynth_c.h"
#include "platform/library.h"
#include "platform/testing/scratch_dir.h"

namespace {

#define C_FUNCTIONS(X)                                                                                      \
  X(avs_create_script_environment) X(avs_delete_script_environment) X(avs_add_function)                   \
  X(avs_function_exists) X(avs_invoke) X(avs_take_clip) X(avs_get_video_info) X(avs_get_frame)            \
  X(avs_release_video_frame) X(avs_release_clip) X(avs_release_value) X(avs_new_c_filter)                 \
  X(avs_set_to_clip)

struct CInterface {
#define DECLARE(name) decltype(&::name) name = nullptr;
  C_FUNCTIONS(DECLARE)
#undef DECLARE
};

struct Watch {
  CInterface* c = nullptr;
  std::string name;  // the string argument as the function received it
  int frames = 0;
  int mt_questions = 0;
  bool freed = false;
};

AVS_VideoFrame* WatchFrame(AVS_FilterInfo* fi, int n) {
  Watch* watch = static_cast<Watch*>(fi->user_data);
  ++watch->frames;
  return watch->c->avs_get_frame(fi->child, n);
}

int WatchHints(AVS_FilterInfo* fi, int hints, int) {
  if (hints != AVS_CACHE_GET_MTMODE) return 0;
  ++static_cast<Watch*>(fi->user_data)->mt_questions;
  return AVS_MT_NICE_FILTER;
}

void WatchFree(AVS_FilterInfo* fi) { static_cast<Watch*>(fi->user_data)->freed = true; }

AVS_Value ApplyWatch(AVS_ScriptEnvironment* env, AVS_Value args, void* user_data) {
  Watch* watch = static_cast<Watch*>(user_data);
  watch->name = args.d.array[1].d.string;
  AVS_FilterInfo* fi = nullptr;
  AVS_Clip* clip = watch->c->avs_new_c_filter(env, &fi, args.d.array[0], 1);
  fi->get_frame = WatchFrame;
  fi->set_cache_hints = WatchHints;
  fi->free_filter = WatchFree;
  fi->user_data = watch;
  AVS_Value result{};
  watch->c->avs_set_to_clip(&result, clip);
  watch->c->avs_release_clip(clip);
  return result;
}

class HostFunctionsC : public testing::TestWithParam<const char*> {};

TEST_P(HostFunctionsC, ScriptCallsTheHostsFilterAndFramesPassThroughIt) {
  if (!std::filesystem::exists(GetParam())) GTEST_SKIP() << "no library at " << GetParam();
  platform::LibraryHandle library = platform::OpenLibrary(GetParam());
  ASSERT_TRUE(library);
  CInterface c;
#define FIND(name) c.name = reinterpret_cast<decltype(&::name)>(platform::FindSymbol(library, #name)); \
  ASSERT_NE(c.name, nullptr) << #name;
  C_FUNCTIONS(FIND)
#undef FIND
  AVS_ScriptEnvironment* env = c.avs_create_script_environment(6);
  ASSERT_NE(env, nullptr);
  Watch watch;
  watch.c = &c;
  ASSERT_EQ(c.avs_add_function(env, "TestWatch", "cs", ApplyWatch, &watch), 0);
  EXPECT_EQ(c.avs_function_exists(env, "TestWatch"), 1);

  ScratchDir dir;
  const std::string script = dir.File("watch.avs");
  ScratchDir::Write(script, "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")\n"
                            "TestWatch(\"stage 'one' 100% </script>\")\n");
  const AVS_Value path{'s', 0, {.string = script.c_str()}};
  const AVS_Value result = c.avs_invoke(env, "Import", path, nullptr);
  ASSERT_EQ(result.type, 'c') << (result.type == 'e' ? result.d.string : "");
  AVS_Clip* clip = c.avs_take_clip(result, env);
  EXPECT_EQ(watch.name, "stage 'one' 100% </script>");
  EXPECT_GE(watch.mt_questions, 1);  // asked for its MT mode, as AviSynth+ asks every new filter
  EXPECT_EQ(c.avs_get_video_info(clip)->width, 64);
  for (int n = 0; n < 10; ++n) {
    AVS_VideoFrame* frame = c.avs_get_frame(clip, n);
    EXPECT_NE(frame, nullptr) << n;
    c.avs_release_video_frame(frame);
  }
  EXPECT_EQ(watch.frames, 10);
  c.avs_release_clip(clip);
  c.avs_release_value(result);
  c.avs_delete_script_environment(env);
  EXPECT_TRUE(watch.freed);
  platform::CloseLibrary(library);
}

INSTANTIATE_TEST_SUITE_P(Libraries, HostFunctionsC,
                         testing::Values(FRAME_SERVER_LIBRARY, AVISYNTH_PLUS_LIBRARY),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.index == 0 ? "FrameServer" : "AviSynthPlus");
                         });

}  // namespace
