// One sequence of calls to the plain C interface, run against the bundled frame server and against a real
// AviSynth+: both must give the same types and texts, which is what a host of that interface relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "avs_host/avisynth_c.h"
#include "platform/testing/scratch_dir.h"

#include "platform/library.h"

namespace {

#define AVS_C_FUNCTIONS(X)                                                                       \
  X(avs_create_script_environment) X(avs_check_version) X(avs_get_error) X(avs_function_exists) \
  X(avs_invoke) X(avs_take_clip) X(avs_get_video_info) X(avs_get_version) X(avs_get_frame)      \
  X(avs_clip_get_error) X(avs_get_row_size_p) X(avs_get_height_p) X(avs_release_video_frame)    \
  X(avs_release_clip) X(avs_release_value) X(avs_delete_script_environment)
#define AVS_DECLARE(name) decltype(&::name) name = nullptr;
struct CInterface { AVS_C_FUNCTIONS(AVS_DECLARE) };

struct Library { const char* name; const char* path; bool is_frame_server; };
void PrintTo(const Library& library, std::ostream* out) { *out << library.path; }

std::string Text(const char* text) { return text ? text : "(null)"; }

AVS_Value Value(char type, const char* text = nullptr) { return AVS_Value{type, 0, {.string = text}}; }

// `function` called with one string: for Import the path of a file holding
// `script` (no file when null), which $ stands for in the error.
struct Call { const char* function, *script; char type; const char* error, *library_error = nullptr; };
const Call kCalls[] = {
    {"Import", "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")", 'c', "(null)"},
    // AviSynth+ counts the column after the token, the frame server before it.
    {"Import", "x = )", 'e', "Script error: syntax error\n($, line 1, column 4)",
     "Script error: syntax error\n($, line 1, column 5)"},
    {"Import", nullptr, 'e', "Import: couldn't open \"$\""},
    {"Import", "x = 1", 'v', "(null)"},
    {"NoSuchFunction", "", 'e', "Function Not Found"},
    {"Trim", "", 'e', "Function Not Found"},
};

class CInterfaceTest : public testing::TestWithParam<Library> {};

TEST_P(CInterfaceTest, AnswersAsTheLibraryDoes) {
  const Library& library = GetParam();
  if (!library.is_frame_server && !std::filesystem::exists(library.path))
    GTEST_SKIP() << "no real AviSynth+ at " << library.path;
  // Never unloaded: AviSynth+ cannot be truly unloaded from a process.
  const platform::LibraryHandle handle = platform::OpenLibrary(library.path);
  ASSERT_TRUE(handle) << library.path;
  CInterface c;
#define AVS_FIND(name)                                                                  \
  c.name = reinterpret_cast<decltype(&::name)>(platform::FindSymbol(handle, #name)); \
  ASSERT_NE(c.name, nullptr) << #name;
  AVS_C_FUNCTIONS(AVS_FIND)
  ScratchDir dir;

  AVS_ScriptEnvironment* env = c.avs_create_script_environment(7);
  ASSERT_NE(env, nullptr);
  EXPECT_EQ(std::make_tuple(c.avs_check_version(env, 6), c.avs_check_version(env, 7)), std::make_tuple(0, 0));
  EXPECT_NE(c.avs_check_version(env, 13), 0);
  EXPECT_EQ(Text(c.avs_get_error(env)), "Plugin was designed for a later version of Avisynth (13)");
  EXPECT_EQ(std::make_pair(c.avs_function_exists(env, "BlankClip") != 0, c.avs_function_exists(env, "Foo") != 0),
            std::make_pair(true, false));
  EXPECT_EQ(Text(c.avs_get_error(env)), "(null)");  // the next call clears it

  AVS_Value clip_value = Value('v');
  for (const Call& call : kCalls) {
    std::string argument = call.script ? call.script : "";
    if (std::string(call.function) == "Import") {
      // AviSynth+ shows the path with backslashes only, on Windows.
      argument = std::filesystem::path(dir.File(std::to_string(&call - kCalls) + ".avs")).make_preferred().string();
      if (call.script) std::ofstream(argument) << call.script << '\n';
    }
    std::string error = call.library_error && !library.is_frame_server ? call.library_error : call.error;
    if (size_t at = error.find('$'); at != std::string::npos) error.replace(at, 1, argument);
    AVS_Value result = c.avs_invoke(env, call.function, Value('s', argument.c_str()), nullptr);
    EXPECT_EQ(result.type, call.type) << argument;
    EXPECT_EQ(Text(c.avs_get_error(env)), error);
    EXPECT_EQ(Text(result.type == 'e' ? result.d.string : nullptr), result.type == 'e' ? error : "(null)");
    result.type == 'c' ? void(clip_value = result) : c.avs_release_value(result);
  }

  AVS_Clip* clip = c.avs_take_clip(clip_value, env);
  c.avs_release_value(clip_value);  // the clip holds its own reference
  ASSERT_NE(clip, nullptr);
  const AVS_VideoInfo& vi = *c.avs_get_video_info(clip);
  EXPECT_EQ(std::make_tuple(vi.width, vi.height, vi.fps_numerator, vi.fps_denominator, vi.num_frames, vi.pixel_type,
                            vi.audio_samples_per_second, vi.sample_type, vi.num_audio_samples, vi.nchannels,
                            vi.image_type, c.avs_get_version(clip)),
            std::make_tuple(64, 48, 24u, 1u, 10, int(0xA0000008u) /* YV12 */, 44100, 2, int64_t{18375}, 1, 0, 12));
  AVS_VideoFrame* frame = c.avs_get_frame(clip, 9);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(Text(c.avs_clip_get_error(clip)), "(null)");
  EXPECT_EQ(std::make_tuple(c.avs_get_row_size_p(frame, 1), c.avs_get_height_p(frame, 1),
                            c.avs_get_row_size_p(frame, 2), c.avs_get_height_p(frame, 2)),
            std::make_tuple(64, 48, 32, 24));
  c.avs_release_video_frame(frame);
  c.avs_release_clip(clip);

  c.avs_delete_script_environment(env);
}

INSTANTIATE_TEST_SUITE_P(Libraries, CInterfaceTest,
                         testing::Values(Library{"FrameServer", FRAME_SERVER_LIBRARY, true},
                                         Library{"AviSynthPlus", AVISYNTH_PLUS_LIBRARY, false}),
                         [](const testing::TestParamInfo<Library>& info) { return std::string(info.param.name); });

}  // namespace
