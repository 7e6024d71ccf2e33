#include "records/script_report.h"

#include "avs_host/pixel_type_name.h"
#include "measure/gpu_info.h"
#include "records/record_format.h"
#include "text/number_text.h"
#include "text/text.h"

namespace records {

namespace {

void AppendLine(std::string* text, const std::string& line) {
  *text += line;
  *text += "\n";
}

}  // namespace

void BuildGeneralInfo(const ReportInput& input, ReportTexts* texts) {
  const avs_host::LibraryFacts& avs = *input.avsinfo;
  std::string& out = texts->report;
  out += std::string(records::kGeneralInfoSection) + "\n";
  // Outside texts are joined, not formatted: a path or a switch list longer
  // than the format buffer would leave an empty line.
  AppendLine(&out, "Log file created with:                 Korbinet " + input.options.program_version);
  AppendLine(&out, "Script file:                           " + input.script_path);
  if (!input.options.switches.empty())
    AppendLine(&out, "Command line switches:                 " + input.options.switches);
  AppendLine(&out, "Avisynth version string:               " + avs.version_string);
  AppendLine(&out, "Avisynth file version:                 " + avs.file_version);
  AppendLine(&out, "Avisynth Interface Version:            " + std::to_string(avs.interface_version));
  AppendLine(&out, std::string("Avisynth MT support:                   ") +
                       (avs.mt_support ? "Yes" : "No"));
  AppendLine(&out, "Avisynth.dll linker/compiler version:  " + avs.linker_version);
  AppendLine(&out, "Avisynth.dll location:                 " + avs.location);
  AppendLine(&out, "Avisynth.dll time stamp:               " + avs.time_stamp);
  for (const auto& line : avs.plugin_dirs) {
    if (!line.empty()) AppendLine(&out, avs_host::SplitPluginLine(line, "             "));
  }
}

void BuildGraphicsCardInfo(const ReportInput& input, ReportTexts* texts) {
  if (!input.options.monitor_gpu || !input.gpu) return;
  const measure::GpuMonitor& gpu = *input.gpu;
  std::string& out = texts->graphics;
  out += "\n\n" + std::string(records::kGraphicsCardSection) + "\n";
  AppendLine(&out, "Card name:               " + gpu.card_name);
  AppendLine(&out, "GPU name:                " + gpu.gpu_name);
  AppendLine(&out, "Memory size:             " + gpu.memory_size);
  AppendLine(&out, "OpenCL version:          " + gpu.opencl_version);
  AppendLine(&out, "Driver version:          " + gpu.driver_version);
  out += "Info collected with:     GPU-Z " + gpu.gpuz_version;
  out += "\n\n";
}

namespace {

// The value ends in the same column as the other lines' values; a name
// longer than the classic ones takes from the label's spaces.
std::string ColorspaceLine(const VideoInfo& vi, const avs_host::ClipFacts& f) {
  std::string name;
  if (f.is_yv411) name = "YV411";
  else if (f.is_yv24) name = "YV24";
  else if (f.is_yv16) name = "YV16";
  else if (f.is_y8) name = "Y8";
  else if (f.is_yv12) name = "YV12";
  else if (f.is_yuy2) name = "YUY2";
  else if (f.is_rgb24) name = "RGB24";
  else if (f.is_rgb32) name = "RGB32";
  else if (f.has_video) name = avs_host::PixelTypeName(vi.pixel_type);
  else name = "n/a";
  if (name.empty()) name = "Unknown";
  constexpr size_t kValueEnd = 38;
  const std::string label = "Colorspace:";
  return label + std::string(kValueEnd - label.size() - name.size(), ' ') + name;
}

std::string FramerateLine(const VideoInfo& vi, const avs_host::ClipFacts& f) {
  const double rate = static_cast<double>(vi.fps_numerator) / vi.fps_denominator;
  // The parity as a value, so that the format stays a literal the compiler
  // checks against its arguments.
  const char* parity = "";
  if (f.is_field_based && f.is_tff)
    parity = ", TFF";
  else if (f.is_field_based && f.is_bff)
    parity = ", BFF";
  return text::Format("Framerate:                 %11.3f (%u/%u%s)", rate, vi.fps_numerator,
                      vi.fps_denominator, parity);
}

int BitsPerSample(int sample_type) {
  switch (sample_type) {
    case 1: return 8;
    case 2: return 16;
    case 4: return 24;
    case 8: return 32;
    case 16: return 32;  // float
    default: return sample_type;
  }
}

std::string AudioValue(bool available, const std::string& value) {
  return available ? value : "                n/a";
}

}  // namespace

void BuildClipInfo(const ReportInput& input, ReportTexts* texts) {
  const avs_host::LoadingState& state = *input.loading;
  const VideoInfo& vi = state.values.vi;
  const avs_host::ClipFacts& facts = state.values.facts;
  std::string& out = texts->report;
  std::string& console = texts->clip_console;
  out += "\n\n" + std::string(records::kClipInfoSection) + "\n";

  std::string video_lines[5];
  if (state.audio_only) {
    video_lines[0] = "Number of frames:                  n/a";
    video_lines[1] = "Length (hh:mm:ss.ms):              n/a";
    video_lines[2] = "Frame width:                       n/a";
    video_lines[3] = "Frame height:                      n/a";
    video_lines[4] = "Framerate:                         n/a";
  } else {
    video_lines[0] = text::Format("Number of frames:          %11u",
                                          static_cast<unsigned>(vi.num_frames));
    video_lines[1] = text::Format("Length (hh:mm:ss.ms):  %s",
                                          text::FormatDuration(state.length_ms, true).c_str());
    video_lines[2] =
        text::Format("Frame width:               %11u", static_cast<unsigned>(vi.width));
    video_lines[3] = text::Format("Frame height:              %11u",
                                          static_cast<unsigned>(vi.height));
    video_lines[4] = FramerateLine(vi, facts);
  }
  for (const auto& line : video_lines) {
    console += "\n" + line;
    AppendLine(&out, line);
  }

  const std::string colorspace = ColorspaceLine(vi, facts);
  console += "\n";
  AppendLine(&console, colorspace);
  AppendLine(&out, colorspace);

  if (state.values.mt_mode_known) {
    std::string line =
        text::Format("Active MT Mode:                      %d", state.values.mt_mode);
    AppendLine(&console, line);
    AppendLine(&out, line);
  }

  const int channels = facts.audio_channels;
  const int sample_type = facts.sample_type;
  // The label asks for bits, so the sample-type code is shown as its width.
  const int bits = BitsPerSample(sample_type);
  const int rate = facts.samples_per_second;
  const int64_t samples = vi.num_audio_samples;
  AppendLine(&out, "Audio channels:    " +
                       AudioValue(channels != 0, text::Format("%19d", channels)));
  AppendLine(&out, "Audio bits/sample: " +
                       AudioValue(sample_type != 0, text::Format("%19d", bits)));
  AppendLine(&out, "Audio sample rate: " +
                       AudioValue(rate != 0, text::Format("%19d", rate)));
  AppendLine(&out, "Audio samples:     " +
                       AudioValue(samples != 0, text::Format("%19lld",
                                                                     static_cast<long long>(samples))));
}

}  // namespace records
