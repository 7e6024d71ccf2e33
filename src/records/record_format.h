// The names and headers the log and the CSV file are made of. The program
// writes them and korbinet-report reads them back through these same
// declarations, so the two cannot drift apart. Nothing of ours is needed.
#pragma once

#include <string>

namespace records {

// The log's sections, each name on a line of its own.
inline constexpr char kGeneralInfoSection[] = "[General info]";
inline constexpr char kClipInfoSection[] = "[Clip info]";
inline constexpr char kRuntimeInfoSection[] = "[Runtime info]";
inline constexpr char kScriptSection[] = "[Script]";
inline constexpr char kGraphicsCardSection[] = "[Graphics card info]";
inline constexpr char kPerformanceSection[] = "[Performance data]";
inline constexpr char kAvisynthErrorSection[] = "[AviSynth error]";
inline constexpr char kStageTimesSection[] = "[Stage times]";

// The stage table's title, printed after the summary and first in the log's
// "[Stage times]": one form for one thread, one for stages timed on several.
inline constexpr char kStageTimesTitle[] = "Stage times:";
inline constexpr char kStageTimesSummedTitle[] =
    "Stage times (summed over threads, so shares can exceed 100 %):";

// The CSV header, without its line end: 9 columns, 10 with the GPU load, 11
// with the video engine load as well (which exists only beside the GPU's).
inline std::string CsvHeader(bool gpu, bool vpu) {
  std::string header =
      "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),";
  if (gpu) header += "GPU(%),";
  if (gpu && vpu) header += "VPU(%),";
  return header + "Threads,PhysMEM(MB),VirtMEM(MB)";
}

// The column heads of the log's performance table, the same for every form
// up to where the GPU columns go.
inline constexpr char kLogTableHeadStart[] =
    "       Frame    Frames/sec   Time/frame(ms)   CPU(%)   ";

// The whole line of column heads, without its line end.
inline std::string LogTableHead(bool gpu, bool vpu) {
  std::string head = kLogTableHeadStart;
  if (gpu) head += "GPU(%)   ";
  if (gpu && vpu) head += "VPU(%)   ";
  return head + "Threads   PhysMEM(MB)   VirtMEM(MB)";
}

}  // namespace records
