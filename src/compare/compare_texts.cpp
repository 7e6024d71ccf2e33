#include "compare/compare_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "compare/json_writer.h"
#include "text/number_text.h"

namespace compare {
namespace {

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "-";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                              decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : "-";
}

int RatioDecimals(const Comparison& c) { return text::RatioDecimals(c.low, c.high); }

std::string Interval(const Comparison& c) {
  const int d = RatioDecimals(c);
  return Fixed(c.low, d) + "-" + Fixed(c.high, d);
}

std::string Megabytes(uint64_t bytes) { return bytes == 0 ? "-" : text::WholeMegabytes(bytes) + " MB"; }

bool Ran(const CompareResult& r, size_t v) { return r.outcomes[v].error.empty(); }

struct Cells {
  std::string number, label, fps, spread, ratio, interval, verdict, cpu, memory;
};

Cells RowCells(const CompareResult& r, size_t v) {
  const VariantOutcome& o = r.outcomes[v];
  const VariantStats& s = o.stats;
  Cells cells;
  cells.number = std::to_string(v + 1);
  cells.label = r.options.variants[v].label;
  const int d = text::CompareFpsDecimals(s.median_fps);
  cells.fps = Ran(r, v) ? Fixed(s.median_fps, d) : "failed";
  cells.spread = std::isfinite(s.mad_fps) ? "± " + Fixed(s.mad_fps, d) : "-";
  cells.cpu = Fixed(s.cpu_ms_per_frame, s.cpu_ms_per_frame < 1 ? 3 : 2);
  cells.memory = Megabytes(s.peak_memory_bytes);
  if (v == r.options.baseline) {
    cells.ratio = "baseline";
    cells.interval = cells.verdict = "-";
    return cells;
  }
  const Comparison& c = o.comparison;
  cells.ratio = Fixed(c.ratio, RatioDecimals(c));
  cells.interval = std::isfinite(c.low) ? Interval(c) : "-";
  cells.verdict = Ran(r, v) && Ran(r, r.options.baseline) ? VerdictName(c.verdict) : "-";
  return cells;
}

std::vector<std::vector<std::string>> Rows(const CompareResult& r) {
  std::vector<std::vector<std::string>> rows = {{"#", "variant", "fps", "spread", "ratio",
                                                 "95 % interval", "verdict", "cpu ms/frame",
                                                 "peak memory"}};
  for (size_t v = 0; v < r.options.variants.size(); ++v) {
    Cells c = RowCells(r, v);
    rows.push_back({c.number, c.label, c.fps, c.spread, c.ratio, c.interval, c.verdict, c.cpu,
                    c.memory});
  }
  return rows;
}

// Which columns are flush right: the numbers.
constexpr bool kRight[] = {true, false, true, true, true, false, false, true, true};

// Display width: UTF-8 continuation bytes take no column.
size_t Width(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string MarkdownCell(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      if (std::string_view("\\|*_`[]<>#").find(c) != std::string_view::npos) out += '\\';
      out += c;
    }
  }
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

std::string ResultTable(const CompareResult& result) {
  const auto rows = Rows(result);
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string pad(widths[i] - Width(row[i]), ' ');
      if (i > 0) line += "  ";
      line += kRight[i] ? pad + row[i] : row[i] + pad;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}

std::string Conclusions(const CompareResult& result) {
  const size_t base = result.options.baseline;
  const std::string& b = result.options.variants[base].label;
  std::string text;
  for (size_t v = 0; v < result.options.variants.size(); ++v) {
    if (v == base) continue;
    const std::string& x = result.options.variants[v].label;
    const Comparison& c = result.outcomes[v].comparison;
    const std::string ratio = Fixed(c.ratio, RatioDecimals(c));
    const std::string figures = Interval(c) + ", 95 %)";
    if (!Ran(result, v)) {
      text += x + " failed and is not compared with " + b;
    } else if (!Ran(result, base)) {
      text += x + " is not compared: " + b + " failed";
    } else if (!std::isfinite(c.low)) {
      text += x + " against " + b + " is undecided: fewer than 2 blocks measured both";
    } else if (c.verdict == Verdict::kFaster) {
      text += x + " is " + ratio + " x faster than " + b + " (" + figures;
    } else if (c.verdict == Verdict::kSlower) {
      text += x + " is slower than " + b + ", at " + ratio + " x its speed (" + figures;
    } else if (c.verdict == Verdict::kSame) {
      text += x + " is as fast as " + b + " within " + ShortestText(result.options.margin_percent) +
              " % (" + ratio + " x, " + figures;
    } else {
      text += x + " against " + b + " is undecided (" + ratio + " x, " + figures +
              ": more rounds may tell";
    }
    text += "\n";
  }
  return text;
}

std::string FailureTexts(const CompareResult& result) {
  std::string text;
  for (size_t v = 0; v < result.outcomes.size() && v < result.options.variants.size(); ++v) {
    const std::string& error = result.outcomes[v].error;
    if (error.empty()) continue;
    text += result.options.variants[v].label + " failed:\n" + error;
    if (error.back() != '\n') text += "\n";
  }
  return text;
}

std::string MarkdownTable(const CompareResult& result) {
  const auto rows = Rows(result);
  std::string text;
  for (size_t r = 0; r < rows.size(); ++r) {
    text += "|";
    for (const std::string& cell : rows[r]) text += " " + MarkdownCell(cell) + " |";
    text += "\n";
    if (r == 0) {
      text += "|";
      for (bool right : kRight) text += right ? " --: |" : " :-- |";
      text += "\n";
    }
  }
  return text;
}

std::string RoundsCsv(const CompareResult& result) {
  std::string text =
      "variant,label,block,position,warmup,frames,wall_seconds,cpu_seconds,fps,"
      "peak_memory_bytes,threads,outlier\n";
  for (const Round& r : result.rounds) {
    const std::string label =
        r.variant < result.options.variants.size() ? result.options.variants[r.variant].label : "";
    text += std::to_string(r.variant + 1) + "," + CsvField(label) + "," +
            std::to_string(r.block + 1) + "," + std::to_string(r.position + 1) + "," +
            (IsWarmup(result, r) ? "1" : "0") + "," +
            std::to_string(r.frames) + "," + ShortestText(r.wall_seconds) + "," +
            ShortestText(r.cpu_seconds) + "," + ShortestText(RoundFps(r)) + "," +
            std::to_string(r.peak_memory_bytes) + "," + std::to_string(r.threads) + "," +
            (IsOutlier(result, r) ? "1" : "0") + "\n";
  }
  return text;
}

}  // namespace compare
