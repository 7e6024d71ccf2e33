// KorbinetStage through either binding, against the bundled frame server and a real AviSynth+: frames pass
// through the markers unchanged, each request is counted once per stage, and a failing request keeps its
// error text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>

#include "avs_host/avs_library.h"
#include "avs_host/script_loader.h"
#include "platform/testing/scratch_dir.h"

namespace {

struct Binding { const char* library; avs_host::AvsInterface kind; };
void PrintTo(const Binding& b, std::ostream* out) { *out << b.library << (b.kind == avs_host::AvsInterface::kC ? " C" : " C++"); }

// Frames 0 to 4 of the script, then each stage as "name calls", or the error that ended the requests.
std::string RunStages(const Binding& b, const std::string& script) {
  measure::StageTimes times;
  avs_host::AvsLibrary library(b.library, b.kind);
  if (!library.Load() || !library.FindFactory() || !library.CreateEnvironment(6)) return "no environment";
  if (!library.binding().AddStageMarker(&times)) return "not registered";
  std::string seen;
  try {
    avs_host::LoadingState loading;
    avs_host::ImportForRun(library.binding(), script);
    avs_host::FinishLoading(&loading, library.binding(), script, 0);
    seen = std::to_string(loading.frame_count) + " frames;";
    std::visit([](auto source) { for (uint32_t n = 0; n < 5; ++n) source(n); }, library.binding().Frames());
    avs_host::ReleaseScript(&library);
  } catch (const AvisynthError& e) {
    seen += " error: " + std::string(e.msg) + ";";
  }
  for (const measure::StageFigures& stage : times.Figures()) {
    seen += " " + stage.name + " " + std::to_string(stage.calls);
    if (stage.self_ns < 0 || stage.self_ns > stage.inclusive_ns) seen += " (self outside 0..inclusive)";
  }
  return seen;
}

TEST(StageMarker, TimesRequestsAndPassesFramesAndErrorsThrough) {
  ScratchDir dir;
  const std::string clip = "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")";
  struct Case { std::string name, script, expected; bool frame_server_only = false; };
  const Case cases[] = {
      {"nested", clip + ".KorbinetStage(\"a\").KorbinetStage(\"b\").KorbinetStage(\"a\")",
       "10 frames; a 10 b 5"},
      {"unused", "x = " + clip + ".KorbinetStage(\"never\")\n" + clip, "10 frames; never 0"},
      {"fault", "Fault(" + clip + ", 3, \"error\").KorbinetStage(\"f\")", "10 frames; error: Fault at frame 3; f 4", true},
  };
  for (const Binding& binding : {Binding{FRAME_SERVER_LIBRARY, avs_host::AvsInterface::kCpp},
                                 Binding{FRAME_SERVER_LIBRARY, avs_host::AvsInterface::kC},
                                 Binding{AVISYNTH_PLUS_LIBRARY, avs_host::AvsInterface::kCpp},
                                 Binding{AVISYNTH_PLUS_LIBRARY, avs_host::AvsInterface::kC}}) {
    SCOPED_TRACE(testing::PrintToString(binding));
    if (!std::filesystem::exists(binding.library)) continue;  // no real AviSynth+ beside the project
    for (const Case& c : cases) {
      if (c.frame_server_only && binding.library != std::string(FRAME_SERVER_LIBRARY)) continue;  // Fault is ours
      const std::string path = dir.File(c.name + ".avs");
      ScratchDir::Write(path, c.script + "\n");
      EXPECT_EQ(RunStages(binding, path), c.expected) << c.name;
    }
  }
}

}  // namespace
