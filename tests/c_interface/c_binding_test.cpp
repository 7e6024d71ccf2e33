// The host through the plain C interface must show what it shows through the C++ interface: the same probe,
// analysis, clip report, stage markers, error texts and korbinet-compare's set-up, for the bundled frame
// server and for a real AviSynth+.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "app/filter_graph_dump.h"
#include "avs_host/avisynth_info.h"
#include "avs_host/avs_library.h"
#include "avs_host/script_analysis.h"
#include "avs_host/script_loader.h"
#include "avs_host/script_value.h"
#include "platform/testing/scratch_dir.h"
#include "records/script_report.h"

namespace {

struct Library { const char* name; const char* path; };
void PrintTo(const Library& library, std::ostream* out) { *out << library.path; }

std::string Probe(const std::string& path, avs_host::AvsInterface kind, int* version) {
  avs_host::LibraryFacts info;
  std::string message;
  const int result = avs_host::ProbeAvisynth(path, &info, &message, kind) ? 1 : 0;
  *version = info.interface_version;
  return std::to_string(result) + "|" + message + "|" + std::to_string(info.interface_version) +
         "|" + info.version_string + "|" + std::to_string(info.mt_support);
}

// Each KorbinetStage as "name calls", between "stages:" and ".".
std::string Stages(const measure::StageTimes& times) {
  std::string text = "stages:";
  for (const measure::StageFigures& stage : times.Figures()) {
    text += " " + stage.name + " " + std::to_string(stage.calls);
    if (stage.self_ns < 0 || stage.self_ns > stage.inclusive_ns) text += " (self outside 0..inclusive)";
  }
  return text + ".";
}

// The run's loading, the clip report, frames 0 to 4 and the stages; the first error text ends it, the stages
// after it. With `graph`, graph analysis is asked for before the import and the graph dumped after the
// frames: "offered dumped|" and the graph file's text follow.
std::string Load(const std::string& path, int version, const std::string& script, avs_host::AvsInterface kind,
                 bool graph = false) {
  measure::StageTimes times;
  avs_host::AvsLibrary library(path, kind);
  if (!library.Load(nullptr) || !library.FindFactory() || !library.CreateEnvironment(version)) return "no environment";
  if (!library.binding().AddStageMarker(&times)) return "no stage marker";
  const bool offered = graph && app::EnableGraphAnalysisIfOffered(library.binding());
  avs_host::LoadingState loading;
  std::string seen;
  try {
    avs_host::ImportForRun(library.binding(), script);
    avs_host::FinishLoading(&loading, library.binding(), script, 1);
    records::ReportTexts texts;
    records::BuildClipInfo(records::ReportInput{{}, script, nullptr, nullptr, &loading}, &texts);
    seen = texts.report + texts.clip_console;
    std::visit([](auto source) { for (uint32_t n = 0; n < 5; ++n) source(n); }, library.binding().Frames());
    seen += Stages(times);
    const bool dumped = offered && app::DumpFilterGraphBesideScript(library.binding(), script);
    if (graph) seen += std::to_string(offered) + std::to_string(dumped) + "|";
    avs_host::ReleaseScript(&library);
  } catch (const AvisynthError& e) {
    return seen + "error: " + e.msg + "; " + Stages(times);
  }
  const std::string dot = app::FilterGraphPath(script);
  if (graph && std::filesystem::exists(dot)) seen += ScratchDir::Read(dot);
  std::filesystem::remove(dot);
  return seen;
}

// korbinet-compare's set-up (global variables of each type, a set-up call,
// Prefetch) as the script sees it: length, fps and pixel type of its clip.
std::string LoadWithSetUp(const std::string& path, int version, const std::string& script, avs_host::AvsInterface kind) {
  avs_host::AvsLibrary library(path, kind);
  if (!library.Load(nullptr) || !library.FindFactory() || !library.CreateEnvironment(version)) return "no environment";
  avs_host::AvsBinding& binding = library.binding();
  std::string seen;
  try {
    for (const auto& [name, value] : {std::pair{"n", "12"}, {"f", "12.5"}, {"p", "\"YV24\""}})
      if (!binding.SetGlobalVar(name, avs_host::ParseScriptValue(value))) return "no global variables";
    if (binding.FunctionExists("SetMemoryMax")) binding.InvokeSetUp("SetMemoryMax", avs_host::IntScriptValue(256));
    binding.Import(script);
    if (binding.FunctionExists("Prefetch")) {
      binding.Prefetch(2);
      seen += "prefetch ";
    }
    avs_host::ScriptValues values;
    avs_host::OpenScriptClip(binding, script, true, "%s", &values);
    seen += std::to_string(values.vi.num_frames) + " " + std::to_string(values.vi.fps_numerator) + "/" +
            std::to_string(values.vi.fps_denominator) + " " + std::to_string(values.facts.is_yv24);
    std::visit([](auto source) { for (uint32_t n = 0; n < 12; ++n) source(n); }, binding.Frames());
    avs_host::ReleaseScript(&library);
  } catch (const AvisynthError& e) {
    return seen + "error: " + e.msg;
  }
  return seen;
}

class CBindingTest : public testing::TestWithParam<Library> {};

TEST_P(CBindingTest, ShowsWhatTheCppInterfaceShows) {
  const std::string path = GetParam().path;
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no library at " << path;
  int version = 0;
  const std::string probed = Probe(path, avs_host::AvsInterface::kCpp, &version);
  EXPECT_EQ(Probe(path, avs_host::AvsInterface::kC, &version), probed);
  ASSERT_NE(version, 0) << probed;

  ScratchDir dir;
  const std::string clip = "BlankClip(length=10, width=64, height=48, pixel_type=\"YV12\")";
  // No script file when the script is empty.
  struct Case { std::string name, script, expected_end; bool graph = false; };
  std::vector<Case> cases = {
      {"clip", clip, "Audio samples:                   18375\n"},
      // Only AviSynth+ offers graph analysis.
      {"graph", clip, path == AVISYNTH_PLUS_LIBRARY ? "11|digraph " : "00|", true},
      {"fields", "AssumeBFF(AssumeFieldBased(" + clip + "))", "Audio samples:                   18375\n"},
      {"mt", "SetMTMode(2)\n" + clip, "Active MT Mode:                      2\n"},
      {"syntax", "x = )", "\n(" + dir.File("syntax.avs") + ", line 1, column "},
      {"missing", "", "Import: couldn't open \"" + dir.File("missing.avs") + "\""},
      {"no clip", "x = 1", "error: \"" + dir.File("no clip.avs") + "\":\nScript did not return a clip"},
      {"frame", "Fault(" + clip + ", 3, \"error\")", "error: Fault at frame 3; stages:."},
      // Frames pass through the markers, each request counted once per stage; a failing one keeps its error.
      {"nested", clip + ".KorbinetStage(\"a\").KorbinetStage(\"b\").KorbinetStage(\"a\")", "stages: a 10 b 5."},
      {"unused", "x = " + clip + ".KorbinetStage(\"never\")\n" + clip, "stages: never 0."},
      {"stage fault", "Fault(" + clip + ", 3, \"error\").KorbinetStage(\"f\")", "error: Fault at frame 3; stages: f 4."},
  };
  // The C binding decodes the pixel type itself where the C++ one asks the library; beyond the classic
  // eight both name the format as AviSynth+ does, right-aligned with the other values.
  for (const std::string type : {"YV24", "YV16", "Y8", "YV411", "YUY2", "RGB24", "RGB32", "YUV420P10", "YUV444P16",
                                 "RGB48", "RGB64", "Y16"})
    cases.push_back({type, "BlankClip(pixel_type=\"" + type + "\")",
                     "Colorspace:" + std::string(27 - type.size(), ' ') + type + "\n"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string script = dir.File(c.name + ".avs");
    if (!c.script.empty()) ScratchDir::Write(script, c.script + "\n");
    const std::string cpp = Load(path, version, script, avs_host::AvsInterface::kCpp, c.graph);
    EXPECT_EQ(Load(path, version, script, avs_host::AvsInterface::kC, c.graph), cpp);
    // A filter this library lacks leaves only the comparison.
    if (cpp.find("There is no function named") == std::string::npos) {
      EXPECT_NE(cpp.find(c.expected_end), std::string::npos) << cpp;
    }
  }
  const std::string short_script = dir.File("clip.avs"), no_clip = dir.File("no clip.avs");
  auto analyse = [&](const std::string& script, avs_host::AvsInterface kind) {
    std::string message;
    uint32_t interval = 0;
    avs_host::AnalyseScript(script, path, version, 1, &interval, &message, kind);
    return std::to_string(interval) + "|" + message;
  };
  EXPECT_EQ(analyse(short_script, avs_host::AvsInterface::kC), analyse(short_script, avs_host::AvsInterface::kCpp));
  EXPECT_EQ(analyse(no_clip, avs_host::AvsInterface::kC), "0|Script did not return a video clip:\n(" + no_clip + ")");
  // A clip of sound alone is no video clip either.
  const std::string audio_only = dir.File("audio only.avs");
  ScratchDir::Write(audio_only, "BlankClip(length=10, width=0, height=0)\n");
  for (const auto kind : {avs_host::AvsInterface::kC, avs_host::AvsInterface::kCpp})
    EXPECT_EQ(analyse(audio_only, kind), "0|Script did not return a video clip:\n(" + audio_only + ")");

  const std::string setup = dir.File("setup.avs");
  ScratchDir::Write(setup, "BlankClip(length=n, width=64, height=48, fps=f, pixel_type=p)\n");
  const std::string with_setup = LoadWithSetUp(path, version, setup, avs_host::AvsInterface::kCpp);
  EXPECT_EQ(LoadWithSetUp(path, version, setup, avs_host::AvsInterface::kC), with_setup);
  EXPECT_EQ(with_setup, std::string(path != CLASSIC_FRAME_SERVER_LIBRARY ? "prefetch " : "") + "12 25/2 1");
}

INSTANTIATE_TEST_SUITE_P(Libraries, CBindingTest,
                         testing::Values(Library{"FrameServer", FRAME_SERVER_LIBRARY},
                                         Library{"ClassicMT", CLASSIC_FRAME_SERVER_LIBRARY},
                                         Library{"AviSynthPlus", AVISYNTH_PLUS_LIBRARY}),
                         [](const testing::TestParamInfo<Library>& info) { return std::string(info.param.name); });

}  // namespace
