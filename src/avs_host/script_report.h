// The report sections that describe program, library, graphics card and
// clip; they head the log file, and the clip's video lines go to the console.
#pragma once

#include <string>

#include "avs_host/avisynth_info.h"
#include "avs_host/script_loader.h"

class CGPUInfo;

struct ReportInput {
  std::string program_version;
  std::string script_path;
  std::string switches;
  const CAvisynthInfo* avsinfo = nullptr;
  const CGPUInfo* gpu = nullptr;  // used only when monitoring is on
  bool monitor_gpu = false;
  const LoadingState* loading = nullptr;
};

struct ReportTexts {
  std::string report;    // "[General info]" and "[Clip info]"
  std::string graphics;  // "[Graphics card info]", empty without GPU monitoring
};

// Builds "[General info]" into texts->report.
void BuildGeneralInfo(const ReportInput& input, ReportTexts* texts);
// Builds "[Graphics card info]" into texts->graphics when monitoring is on.
void BuildGraphicsCardInfo(const ReportInput& input, ReportTexts* texts);
// Builds "[Clip info]" into texts->report and prints the video lines.
void BuildClipInfo(const ReportInput& input, ReportTexts* texts);
