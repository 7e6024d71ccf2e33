#include "report/stage_times.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "records/record_format.h"

namespace report {

namespace {

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The last space-separated field of *rest, taken off it; false when there is
// no field or nothing before it.
bool TakeLastField(std::string_view* rest, std::string_view* field) {
  *rest = TrimRight(*rest);
  const size_t space = rest->find_last_of(" \t");
  if (rest->empty() || space == std::string_view::npos) return false;
  *field = rest->substr(space + 1);
  *rest = rest->substr(0, space);
  return true;
}

// Digits with at most one point: what the table prints. Anything else
// ("inf", "1e9", "-1", "") is refused before conversion.
bool ParseFigure(std::string_view text, double* value) {
  if (text.empty() || text.size() > 32 || text.find_first_not_of("0123456789.") != text.npos ||
      text.find('.') != text.rfind('.') || text == ".") {
    return false;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

bool ParseCount(std::string_view text, uint64_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != text.npos) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseRow(std::string_view line, StageRow* row) {
  std::string_view rest = line, percent, share, incl, self, calls;
  if (!TakeLastField(&rest, &percent) || percent != "%" || !TakeLastField(&rest, &share) ||
      !TakeLastField(&rest, &incl) || !TakeLastField(&rest, &self) ||
      !TakeLastField(&rest, &calls)) {
    return false;
  }
  const std::string_view name = TrimRight(rest);
  if (name.empty()) return false;
  row->name = std::string(name);
  return ParseCount(calls, &row->calls) && ParseFigure(self, &row->self_ms) &&
         ParseFigure(incl, &row->incl_ms) && ParseFigure(share, &row->share);
}

}  // namespace

StageTimes ParseStageTimes(const std::vector<std::string>& lines) {
  StageTimes times;
  bool head_seen = false;
  for (const std::string& text : lines) {
    const std::string_view line = TrimRight(text);
    if (!head_seen) {
      // Title and column heads come first; nothing before them is a row.
      if (line == records::kStageTimesSummedTitle) times.summed_over_threads = true;
      head_seen = line.starts_with("Stage ") && line.find("Share") != line.npos;
      continue;
    }
    if (line.empty()) break;  // the table ends at its first blank line
    StageRow row;
    if (ParseRow(line, &row)) {
      times.rows.push_back(std::move(row));
    } else {
      times.unreadable_rows += 1;
    }
  }
  return times;
}

}  // namespace report
