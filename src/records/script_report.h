// The report sections that describe program, library, graphics card and
// clip; they head the log file, and the clip's video lines go to the console.
#pragma once

#include <string>

#include "avs_host/avisynth_info.h"
#include "avs_host/script_loader.h"

namespace measure {
class GpuMonitor;
}  // namespace measure

namespace records {

// What the report takes from the settings and the command line.
struct ReportOptions {
  std::string program_version;
  std::string switches;
  bool monitor_gpu = false;
};

struct ReportInput {
  ReportOptions options;
  std::string script_path;
  const avs_host::LibraryFacts* avsinfo = nullptr;
  const measure::GpuMonitor* gpu = nullptr;  // used only when monitoring is on
  const avs_host::LoadingState* loading = nullptr;
};

struct ReportTexts {
  std::string report;    // "[General info]" and "[Clip info]"
  std::string graphics;  // "[Graphics card info]", empty without GPU monitoring
  std::string clip_console;  // the clip's lines as the console shows them
};

// Builds "[General info]" into texts->report.
void BuildGeneralInfo(const ReportInput& input, ReportTexts* texts);
// Builds "[Graphics card info]" into texts->graphics when monitoring is on.
void BuildGraphicsCardInfo(const ReportInput& input, ReportTexts* texts);
// Builds "[Clip info]" into texts->report and its console form into
// texts->clip_console.
void BuildClipInfo(const ReportInput& input, ReportTexts* texts);

}  // namespace records
