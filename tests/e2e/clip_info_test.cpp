// -info: clip lines per colour space, field order, audio-only, MT mode; the info-mode log.
#include "e2e_common.h"

namespace e2e {
namespace {

struct ClipLines {
  std::vector<std::string> video;
  std::string colorspace;  // 7 characters
  std::optional<int> mt_mode;
  std::vector<std::string> audio = {
      "Audio channels:                    n/a", "Audio bits/sample:                 n/a",
      "Audio sample rate:                 n/a", "Audio samples:                     n/a"};
};

std::vector<std::string> VideoLines(const std::string& frames, const std::string& length, const std::string& width,
                                    const std::string& height, const std::string& rate) {
  return {"Number of frames:          " + frames, "Length (hh:mm:ss.ms):  " + length,
          "Frame width:               " + width,  "Frame height:              " + height,
          "Framerate:                 " + rate};
}

ClipLines Clip(std::vector<std::string> video, const std::string& colorspace, std::optional<int> mt = {}) {
  return {std::move(video), colorspace, mt};
}

const char kColorspaceLabel[] = "Colorspace:                    ";

std::string MtLines(const ClipLines& clip) {
  return clip.mt_mode ? "Active MT Mode:                      " + std::to_string(*clip.mt_mode) + "\n" : "";
}

std::string ConsoleText(const ClipLines& clip) {
  std::string text;
  for (const auto& line : clip.video) text += "\n" + line;
  return text + "\n" + kColorspaceLabel + clip.colorspace + "\n" + MtLines(clip);
}

std::string LogClipSection(const ClipLines& clip) {
  std::string text = "\n\n[Clip info]\n";
  for (const auto& line : clip.video) text += line + "\n";
  text += kColorspaceLabel + clip.colorspace + "\n" + MtLines(clip);
  for (const auto& line : clip.audio) text += line + "\n";
  return text;
}

std::string InfoModeStart(const VariantFacts& facts) {
  return PipedStartTextFor(facts) + StatusLine("Loading script...") + kBlankStatus + kBlankStatus;
}

ClipLines SmallClip(const std::string& colorspace, std::optional<int> mt = {}) {
  return Clip(VideoLines("         10", "   00:00:00.417", "         64", "         48", "     24.000 (24/1)"),
              colorspace, mt);
}

const ClipLines kAudioOnly = {
    {"Number of frames:                  n/a", "Length (hh:mm:ss.ms):              n/a",
     "Frame width:                       n/a", "Frame height:                      n/a",
     "Framerate:                         n/a"},
    "    n/a",
    std::nullopt,
    {"Audio channels:                      1", "Audio bits/sample:                  16",
     "Audio sample rate:               44100", "Audio samples:                   18375"}};

struct InfoCase {
  std::string name, script;
  ClipLines clip;
  std::string variant = "standard";
};

std::vector<InfoCase> InfoCases() {
  auto small = [](const std::string& type) {
    return "BlankClip(length=10, width=64, height=48, pixel_type=\"" + type + "\")\n";
  };
  std::vector<InfoCase> cases;
  for (const std::string type : {"YV411", "YV24", "YV16", "Y8", "YV12", "YUY2", "RGB24", "RGB32"}) {
    cases.push_back({type, small(type), SmallClip(std::string(7 - type.size(), ' ') + type)});
  }
  // Deep formats pass none of the 8-bit tests.
  for (const char* type : {"YUV420P10", "RGB48", "Y16"}) cases.push_back({type, small(type), SmallClip("Unknown")});
  std::vector<InfoCase> more = {
      {"YV12 100 frames",
       "BlankClip(length=100, width=320, height=240, pixel_type=\"YV12\", fps=25)\n",
       Clip(VideoLines("        100", "   00:00:04.000", "        320", "        240", "     25.000 (25/1)"), "   YV12")},
      {"audio only", "BlankClip(length=10)\nKillVideo()\n", kAudioOnly},
      {"100 hours",
       "BlankClip(length=360000, width=32, height=32, fps=1)\n",
       Clip(VideoLines("     360000", "  100:00:00.000", "         32", "         32", "      1.000 (1/1)"), "  RGB32")},
      {"NTSC top field first",
       "BlankClip(length=10, width=64, height=48, fps=30000, fps_denominator=1001)\nAssumeFieldBased()\nAssumeTFF()\n",
       Clip(VideoLines("         10", "   00:00:00.334", "         64", "         48", "     29.970 (30000/1001, TFF)"),
            "  RGB32")},
      {"bottom field first",
       "BlankClip(length=10, width=64, height=48)\nAssumeFieldBased()\nAssumeBFF()\n",
       Clip(VideoLines("         10", "   00:00:00.417", "         64", "         48", "     24.000 (24/1, BFF)"),
            "  RGB32")},
      {"field-based without parity", "BlankClip(length=10, width=64, height=48)\nAssumeFieldBased()\n",
       SmallClip("  RGB32")},
      // A parity flag alone does not make a clip field-based.
      {"frame-based with TFF", "BlankClip(length=10, width=64, height=48)\nAssumeTFF()\n", SmallClip("  RGB32")},
      {"classic: MT mode 0", small("YV12"), SmallClip("   YV12", 0), "classic"},
      {"classic: MT mode 2", "SetMTMode(2)\n" + small("YV12"), SmallClip("   YV12", 2), "classic"},
      {"v5: no MT mode", small("YV12"), SmallClip("   YV12"), "v5"},
      {"plain: no MT mode", small("YV12"), SmallClip("   YV12"), "plain"},
  };
  cases.insert(cases.end(), more.begin(), more.end());
  return cases;
}

TEST(ClipInfo, ConsoleShowsTheVideoLinesAndStops) {
  for (const auto& c : InfoCases()) {
    SCOPED_TRACE(c.name + " (" + c.variant + ")");
    Sandbox sandbox({.variant = c.variant});
    sandbox.WriteScript("clip.avs", c.script);
    ProcessResult r = RunPiped(sandbox, {"clip.avs", "-info"});
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_EQ(r.err, InfoModeStart(FactsOf(c.variant)) + ConsoleText(c.clip));
    EXPECT_EQ(r.out, "");
    // Without -log, info mode leaves nothing behind.
    EXPECT_FALSE(sandbox.Exists("clip.log"));
  }
}

struct LogCase {
  std::string name, script, trimmed_script;
  ClipLines clip;
  std::string variant = "standard";
  bool by_setting = false;  // CreateLog=1 and -i instead of -info -log
};

TEST(ClipInfo, LogHoldsReportAndScript) {
  const std::string field_clip =
      "BlankClip(length=100, width=320, height=240, pixel_type=\"YUY2\", fps=50, audio_rate=48000, channels=2, "
      "sample_type=\"24bit\")";
  const std::vector<LogCase> cases = {
      {"field-based with stereo audio",
       "\n\n  # interlaced, stereo\n" + field_clip + "\n\nAssumeFieldBased()\nAssumeBFF()\n\n\n",
       "# interlaced, stereo\n" + field_clip + "\n\nAssumeFieldBased()\nAssumeBFF()",
       {VideoLines("        100", "   00:00:02.000", "        320", "        240", "     50.000 (50/1, BFF)"),
        "   YUY2",
        std::nullopt,
        {"Audio channels:                      2", "Audio bits/sample:                  24",
         "Audio sample rate:               48000", "Audio samples:                   96000"}}},
      {"audio only", "BlankClip(length=10).KillVideo()", "BlankClip(length=10).KillVideo()", kAudioOnly},
      {"classic without audio", "BlankClip(length=10, width=64, height=48, audio_rate=0)\n",
       // The sample type stays set without audio, and only it is shown.
       "BlankClip(length=10, width=64, height=48, audio_rate=0)", [] {
         ClipLines c = SmallClip("  RGB32", 0);
         c.audio[1] = "Audio bits/sample:                  16";
         return c;
       }(), "classic"},
      {"CreateLog setting", "BlankClip(length=10, width=64, height=48)", "BlankClip(length=10, width=64, height=48)",
       [] {
         ClipLines c = SmallClip("  RGB32");
         c.audio = kAudioOnly.audio;
         return c;
       }(), "standard", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox({.variant = c.variant, .settings = {{"CreateLog", c.by_setting ? "1" : "0"}}});
    sandbox.WriteScript("Clip Test.avs", c.script);
    const std::vector<std::string> switches =
        c.by_setting ? std::vector<std::string>{"-i"} : std::vector<std::string>{"-info", "-log"};
    std::vector<std::string> args{"Clip Test.avs"};
    args.insert(args.end(), switches.begin(), switches.end());
    ProcessResult r = RunPiped(sandbox, args);
    EXPECT_EQ(r.exit_status, 0) << Describe(r);
    EXPECT_EQ(r.err, InfoModeStart(FactsOf(c.variant)) + ConsoleText(c.clip));
    const LibraryReport library = ReportFor(c.variant, sandbox.Path("libavisynth.so"));
    EXPECT_EQ(sandbox.ReadFile("Clip Test.log"),
              GeneralInfoSection(library, sandbox.Path("Clip Test.avs"), c.by_setting ? "-i" : "-info -log") +
                  LogClipSection(c.clip) + "\n\n[Script]\n" + c.trimmed_script + "\n\n");
  }
}

}  // namespace
}  // namespace e2e
