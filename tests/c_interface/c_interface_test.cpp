// One sequence of calls to the plain C interface, run against the bundled
// frame server and against a real AviSynth+: both must give the same types
// and texts, which is what a host of that interface relies on.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "avs_host/avisynth_c.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/library.h"
#endif

namespace {

#ifdef _WIN32
// The Windows platform layer is not written yet; these two calls stand in.
void* Open(const std::string& path) {
  std::wstring wide;
  for (char c : path) wide += static_cast<wchar_t>(c == '/' ? '\\' : c);  // ASCII paths only
  return reinterpret_cast<void*>(LoadLibraryW(wide.c_str()));
}
void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
#else
void* Open(const std::string& path) { return platform::LoadLibrary(path); }
void* Symbol(void* library, const char* name) { return platform::GetProcAddress(library, name); }
#endif

#define AVS_C_FUNCTIONS(X)                                                                          \
  X(avs_create_script_environment) X(avs_check_version) X(avs_get_error) X(avs_function_exists)    \
  X(avs_invoke) X(avs_take_clip) X(avs_get_video_info) X(avs_get_version) X(avs_get_frame)         \
  X(avs_clip_get_error) X(avs_get_row_size_p) X(avs_get_height_p) X(avs_get_read_ptr_p)           \
  X(avs_release_video_frame) X(avs_release_clip) X(avs_release_value) X(avs_delete_script_environment)

struct CInterface {
#define AVS_DECLARE(name) decltype(&::name) name = nullptr;
  AVS_C_FUNCTIONS(AVS_DECLARE)
#undef AVS_DECLARE
};

struct Library {
  const char* name;
  const char* path;
  bool is_frame_server;
};
void PrintTo(const Library& library, std::ostream* out) { *out << library.path; }

std::string Text(const char* text) { return text ? text : "(null)"; }

AVS_Value StringValue(const char* text) {
  AVS_Value value{};
  value.type = 's';
  value.d.string = text;
  return value;
}

// A call of `function` with one string; for Import the string is the path of
// a file holding `script`, or of no file when that is null. In the expected
// error, $ stands for that path.
struct Call {
  const char* what;
  const char* function;
  const char* script;
  char type;
  const char* error;
  const char* library_error = nullptr;  // where AviSynth+ words it differently
};

const Call kCalls[] = {
    {"a clip", "Import", "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")\n", 'c', "(null)"},
    {"a syntax error", "Import", "x = )\n", 'e', "Script error: syntax error\n($, line 1, column 4)",
     // It counts the column after the token, the frame server before it.
     "Script error: syntax error\n($, line 1, column 5)"},
    {"a missing import", "Import", nullptr, 'e', "Import: couldn't open \"$\""},
    {"a script with no clip", "Import", "x = 1\n", 'v', "(null)"},
    {"a missing function", "NoSuchFunction", "", 'e', "Function Not Found"},
    {"arguments that do not fit", "Trim", "", 'e', "Function Not Found"},
};

class CInterfaceTest : public testing::TestWithParam<Library> {
 protected:
  void SetUp() override {
    const Library& library = GetParam();
    if (!library.is_frame_server && !std::filesystem::exists(library.path))
      GTEST_SKIP() << "no real AviSynth+ at " << library.path << " (the shared folder is absent)";
    // Never unloaded: AviSynth+ cannot be truly unloaded from a process.
    void* handle = Open(library.path);
    ASSERT_NE(handle, nullptr) << library.path;
#define AVS_FIND(name)                                                  \
  api_.name = reinterpret_cast<decltype(&::name)>(Symbol(handle, #name)); \
  ASSERT_NE(api_.name, nullptr) << #name;
    AVS_C_FUNCTIONS(AVS_FIND)
#undef AVS_FIND
    folder_ = std::filesystem::temp_directory_path() /
              ("korbinet-c-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  std::string ScriptPath(const Call& call) {
    std::filesystem::path path = folder_ / (std::to_string(&call - kCalls) + ".avs");
    if (call.script != nullptr) std::ofstream(path) << call.script;
    return path.string();
  }

  CInterface api_;
  std::filesystem::path folder_;
};

TEST_P(CInterfaceTest, AnswersAsTheLibraryDoes) {
  const CInterface& c = api_;
  AVS_ScriptEnvironment* env = c.avs_create_script_environment(7);
  ASSERT_NE(env, nullptr);

  // The version climb; an error stays until the next call.
  EXPECT_EQ(c.avs_check_version(env, 6), 0);
  EXPECT_EQ(c.avs_check_version(env, 7), 0);
  EXPECT_NE(c.avs_check_version(env, 13), 0);
  EXPECT_EQ(Text(c.avs_get_error(env)), "Plugin was designed for a later version of Avisynth (13)");
  EXPECT_NE(c.avs_function_exists(env, "BlankClip"), 0);
  EXPECT_EQ(c.avs_function_exists(env, "NoSuchFunction"), 0);
  EXPECT_EQ(Text(c.avs_get_error(env)), "(null)");

  AVS_Value clip_value{};
  for (const Call& call : kCalls) {
    SCOPED_TRACE(call.what);
    const bool import = std::string(call.function) == "Import";
    const std::string argument = import ? ScriptPath(call) : call.script;
    std::string error = GetParam().is_frame_server || !call.library_error ? call.error : call.library_error;
    if (size_t at = error.find('$'); at != std::string::npos) error.replace(at, 1, argument);
    AVS_Value result = c.avs_invoke(env, call.function, StringValue(argument.c_str()), nullptr);
    EXPECT_EQ(result.type, call.type);
    EXPECT_EQ(Text(c.avs_get_error(env)), error);
    if (result.type == 'e') {
      EXPECT_EQ(Text(result.d.string), error);
    }
    if (result.type == 'c' && clip_value.type == 0)
      clip_value = result;
    else
      c.avs_release_value(result);
  }

  ASSERT_EQ(clip_value.type, 'c');
  AVS_Clip* clip = c.avs_take_clip(clip_value, env);
  c.avs_release_value(clip_value);  // the clip holds its own reference
  ASSERT_NE(clip, nullptr);
  const AVS_VideoInfo& vi = *c.avs_get_video_info(clip);
  EXPECT_EQ(std::make_tuple(vi.width, vi.height, vi.fps_numerator, vi.fps_denominator, vi.num_frames),
            std::make_tuple(64, 48, 24u, 1u, 10));
  EXPECT_EQ(static_cast<unsigned>(vi.pixel_type), 0xA0000008u);  // YV12
  EXPECT_EQ(std::make_tuple(vi.audio_samples_per_second, vi.sample_type, vi.num_audio_samples, vi.nchannels),
            std::make_tuple(44100, 2, int64_t{18375}, 1));
  EXPECT_EQ(vi.image_type, 0);
  EXPECT_EQ(c.avs_get_version(clip), 12);

  AVS_VideoFrame* frame = c.avs_get_frame(clip, 9);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(Text(c.avs_clip_get_error(clip)), "(null)");
  EXPECT_EQ(std::make_tuple(c.avs_get_row_size_p(frame, 1), c.avs_get_height_p(frame, 1),
                            c.avs_get_row_size_p(frame, 2), c.avs_get_height_p(frame, 2)),
            std::make_tuple(64, 48, 32, 24));
  EXPECT_NE(c.avs_get_read_ptr_p(frame, 4), nullptr);
  c.avs_release_video_frame(frame);
  c.avs_release_clip(clip);

  if (GetParam().is_frame_server) {
    // AviSynth+ has no filter that fails in GetFrame on demand.
    AVS_Value failing = c.avs_invoke(env, "Eval", StringValue("BlankClip().Fault(3, \"error\")"), nullptr);
    ASSERT_EQ(failing.type, 'c') << Text(c.avs_get_error(env));
    clip = c.avs_take_clip(failing, env);
    c.avs_release_value(failing);
    EXPECT_EQ(c.avs_get_frame(clip, 3), nullptr);
    EXPECT_EQ(Text(c.avs_clip_get_error(clip)), "Fault at frame 3");
    frame = c.avs_get_frame(clip, 2);
    EXPECT_NE(frame, nullptr);
    EXPECT_EQ(Text(c.avs_clip_get_error(clip)), "(null)");
    c.avs_release_video_frame(frame);
    c.avs_release_clip(clip);
    AVS_Value none{};
    none.type = 'v';
    EXPECT_EQ(c.avs_take_clip(none, env), nullptr);
    EXPECT_EQ(c.avs_create_script_environment(8), nullptr);
  }
  c.avs_delete_script_environment(env);
}

INSTANTIATE_TEST_SUITE_P(Libraries, CInterfaceTest,
                         testing::Values(Library{"FrameServer", FRAME_SERVER_LIBRARY, true},
                                         Library{"AviSynthPlus", AVISYNTH_PLUS_LIBRARY, false}),
                         [](const testing::TestParamInfo<Library>& info) { return std::string(info.param.name); });

}  // namespace
