#include "report/log_reader.h"

#include "records/record_format.h"

namespace report {

namespace {

// Lines longer than this are no line Korbinet writes in the report sections.
constexpr size_t kMaxHeadLineLength = 64 * 1024;
// More stages than any script marks; the rest are not kept.
constexpr size_t kMaxStageLines = 10000;

using records::kLogTableHeadStart;

enum class Section {
  kNone, kGeneral, kClip, kRuntime, kScript, kGraphics, kPerformance, kError, kStages
};

}  // namespace

std::string LineValue(const std::vector<std::string>& lines, const std::string& label) {
  for (const std::string& line : lines) {
    if (line.compare(0, label.size(), label) != 0) continue;
    const size_t start = line.find_first_not_of(' ', label.size());
    return start == std::string::npos ? std::string() : line.substr(start);
  }
  return std::string();
}

bool ParseRunLog(const InputFile& file, RunLog* log, std::string* error) {
  *log = RunLog{};
  const std::string& path = file.path;
  if (file.content.empty()) {
    *error = InputError(path, 0, "the log is empty (0 bytes)");
    return false;
  }
  if (const size_t line = FirstBinaryLine(file.content, false)) {
    *error = InputError(path, line, "binary data, not a Korbinet log");
    return false;
  }
  // Collect the lines first: the end of the script is known only by what
  // follows it.
  std::vector<std::string_view> lines;
  bool ended = true;
  ForEachLine(file.content, &ended, [&](size_t, std::string_view line) {
    lines.push_back(line);
    return true;
  });
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() > kMaxHeadLineLength) {
      *error = InputError(path, i + 1, "a line of more than 64 KB, not a Korbinet log");
      return false;
    }
  }
  if (lines.empty() || lines[0] != records::kGeneralInfoSection) {
    *error = InputError(path, 1, "not a Korbinet log (it does not start with \"[General info]\")");
    return false;
  }
  // The script is quoted as it is and may hold any line; it ends where one of
  // the sections that follow it begins: a blank line, then the section's
  // title, then that section's fixed first line.
  auto starts_after_script = [&](size_t i, Section* section) {
    if (!lines[i - 1].empty()) return false;
    const std::string_view next = i + 1 < lines.size() ? lines[i + 1] : std::string_view();
    if (lines[i] == records::kGraphicsCardSection && next.substr(0, 10) == "Card name:") {
      *section = Section::kGraphics;
      return true;
    }
    if (lines[i] == records::kPerformanceSection &&
        next.substr(0, sizeof kLogTableHeadStart - 1) == kLogTableHeadStart) {
      *section = Section::kPerformance;
      return true;
    }
    if (lines[i] == records::kAvisynthErrorSection) {
      *section = Section::kError;
      return true;
    }
    return false;
  };
  Section section = Section::kGeneral;
  bool seen_script = false;
  std::vector<std::string_view> script_lines;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    Section next = section;
    if (section == Section::kScript) {
      if (!starts_after_script(i, &next)) {
        script_lines.push_back(line);
        continue;
      }
    } else if (section == Section::kError) {
      if (!log->avisynth_error.empty()) log->avisynth_error += "\n";
      log->avisynth_error += line;
      continue;
    } else if (line == records::kClipInfoSection && section == Section::kGeneral) {
      next = Section::kClip;
    } else if (line == records::kRuntimeInfoSection && section == Section::kClip) {
      next = Section::kRuntime;
    } else if (line == records::kScriptSection && !seen_script) {
      next = Section::kScript;
      seen_script = true;
    } else if (line == records::kPerformanceSection && section == Section::kGraphics) {
      next = Section::kPerformance;
    } else if (line == records::kAvisynthErrorSection && lines[i - 1].empty()) {
      next = Section::kError;
    } else if (line == records::kStageTimesSection && section == Section::kPerformance) {
      // Written after the table when the script timed stages; its rows are
      // no records, and a stage name may look like anything.
      next = Section::kStages;
    } else if (section == Section::kStages) {
      if (log->stages.size() < kMaxStageLines) log->stages.emplace_back(line);
      continue;
    } else if (line.size() > 2 && line.front() == '[' && line.back() == ']' &&
               section != Section::kPerformance) {
      *error = InputError(path, i + 1, "a section Korbinet does not write");
      return false;
    }
    if (next != section) {
      section = next;
      continue;
    }
    if (line.empty()) continue;
    if (section == Section::kPerformance) {
      if (line.substr(0, sizeof kLogTableHeadStart - 1) == kLogTableHeadStart) continue;
      const size_t start = line.find_first_not_of(' ');
      if (start == std::string_view::npos) continue;  // blanks only: a blank line, not a row
      log->table_rows += 1;
      const std::string_view row = line.substr(start);
      log->last_row_frame = std::string(row.substr(0, row.find(' ')));
      continue;
    }
    switch (section) {
      case Section::kGeneral: log->general.emplace_back(line); break;
      case Section::kClip: log->clip.emplace_back(line); break;
      case Section::kRuntime: log->runtime.emplace_back(line); break;
      case Section::kGraphics: log->graphics.emplace_back(line); break;
      default: break;
    }
  }
  if (!seen_script) {
    *error = InputError(path, lines.size(), "the log ends before its \"[Script]\" section");
    return false;
  }
  // The writer trims the script, so blank lines at its end belong to the gap
  // before the next section.
  while (!script_lines.empty() && script_lines.back().empty()) script_lines.pop_back();
  for (size_t i = 0; i < script_lines.size(); ++i) {
    if (i > 0) log->script += "\n";
    log->script += script_lines[i];
  }
  return true;
}

}  // namespace report
