#include "report/compare_page.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "report/html_text.h"
#include "report/report_page.h"
#include "report/run_breakdown.h"
#include "report/svg_chart.h"
#include "text/number_text.h"

namespace report {

namespace {

// The ratios' rows: labels left of the plot, the verdicts right of it.
constexpr int kForestLabelRight = 224;
constexpr int kForestLeft = 232;
constexpr int kForestRight = 592;
constexpr int kVerdictLeft = 604;
constexpr int kForestRowHeight = 24;

// "-" where the file has null.
std::string Figure(double value, int decimals) {
  return std::isfinite(value) ? FixedText(value, decimals) : "-";
}

int RatioDecimals(const CompareAgainstBaseline& c) { return text::RatioDecimals(c.low, c.high); }

std::string Attribute(const char* name, double value) {
  return std::string(" ") + name + "=\"" + FixedText(value, 1) + "\"";
}

std::string Number(size_t v) { return std::to_string(v + 1); }

bool Failed(const CompareVariant& variant) { return variant.error.has_value(); }

std::string Megabytes(uint64_t bytes) { return bytes == 0 ? "-" : text::WholeMegabytes(bytes); }

std::string Percent(double confidence) { return FixedText(confidence * 100, 0) + " %"; }

// Each variant a column, its rounds points across it in block order, so a
// drift over the run shows as a slope; the median a bar.
std::string RoundsSvg(const CompareFile& file) {
  const size_t n = file.variants.size();
  double most = 0;
  size_t last_block = 1;
  for (const CompareRound& r : file.rounds) {
    if (std::isfinite(r.fps)) most = std::max(most, r.fps);
    last_block = std::max(last_block, r.block);
  }
  const double step = TickStep(most > 0 ? most : 1);
  const double top = std::ceil((most > 0 ? most : 1) / step - 1e-9) * step;
  const double column = static_cast<double>(kChartPlotRight - kChartPlotLeft) / static_cast<double>(n);
  const double pad = std::min(8.0, column / 6);
  auto py = [&](double fps) { return kChartPlotBottom - fps / top * (kChartPlotBottom - kChartPlotTop); };
  auto px = [&](size_t v, size_t block) {
    const double across = last_block > 1 ? static_cast<double>(block - 1) / static_cast<double>(last_block - 1) : 0.5;
    return kChartPlotLeft + static_cast<double>(v) * column + pad + across * (column - 2 * pad);
  };

  std::string svg = ChartSvgStart("rounds", kChartPlotBottom + 30,
                                  " role=\"img\" aria-label=\"Rounds\" data-y-top=\"" + FixedText(top, 3) + "\"");
  svg += ChartTitle(kChartPlotLeft, "Frames per second of each round, by variant (fps)");
  svg += "<g class=\"axis\">\n" + YTicksSvg(top, step) + YUnitSvg("fps") + "</g>\n";
  svg += "<g class=\"axis\"><line x1=\"" + std::to_string(kChartPlotLeft) + "\" y1=\"" + std::to_string(kChartPlotBottom) +
         "\" x2=\"" + std::to_string(kChartPlotRight) + "\" y2=\"" + std::to_string(kChartPlotBottom) + "\"/></g>\n";
  for (size_t v = 0; v < n; ++v) {
    const CompareVariant& variant = file.variants[v];
    const std::string colour = SeriesColour(v);
    const double left = kChartPlotLeft + static_cast<double>(v) * column;
    svg += "<g class=\"variant\" data-variant=\"" + Number(v) + "\"><title>" + Number(v) + ": " +
           EscapeHtml(variant.label) + "</title>\n";
    if (v > 0) {
      svg += "<line class=\"grid\"" + Attribute("x1", left) + " y1=\"" + std::to_string(kChartPlotTop) + "\"" +
             Attribute("x2", left) + " y2=\"" + std::to_string(kChartPlotBottom) + "\" stroke=\"#ddd\"/>\n";
    }
    svg += "<text" + Attribute("x", left + column / 2) + " y=\"" + std::to_string(kChartPlotBottom + 16) +
           "\" text-anchor=\"middle\">" + Number(v) + "</text>\n";
    for (const CompareRound& r : file.rounds) {
      if (r.variant != v + 1 || !std::isfinite(r.fps)) continue;
      // Warm-up rounds faint, outliers ringed.
      const char* kind = r.warmup ? "round warmup" : r.outlier ? "round outlier" : "round";
      svg += std::string("<circle class=\"") + kind + "\" data-block=\"" + std::to_string(r.block) + "\"" +
             Attribute("cx", px(v, r.block)) + Attribute("cy", py(r.fps)) + " r=\"3\" fill=\"" + colour + "\"" +
             (r.warmup ? " fill-opacity=\"0.25\"" : r.outlier ? " stroke=\"#000\" stroke-width=\"1.5\"" : "") +
             "/>\n";
    }
    if (std::isfinite(variant.stats.median_fps)) {
      const double y = py(variant.stats.median_fps);
      svg += "<line class=\"median\"" + Attribute("x1", left + pad / 2) + Attribute("y1", y) +
             Attribute("x2", left + column - pad / 2) + Attribute("y2", y) + " stroke=\"" + colour +
             "\" stroke-width=\"2\"/>\n";
    }
    svg += "</g>\n";
  }
  return svg + "</svg>\n";
}

// A forest plot: per variant but the baseline its ratio as a point and its
// interval as a bar, a line at 1 and the margin as a band around it.
std::string RatiosSvg(const CompareFile& file) {
  const size_t base = file.settings.baseline - 1;
  const double margin = file.settings.margin_percent / 100;
  double lo = 1 - margin, hi = 1 + margin;
  std::vector<size_t> rows;
  for (size_t v = 0; v < file.variants.size(); ++v) {
    if (v == base) continue;
    rows.push_back(v);
    if (const auto& c = file.variants[v].comparison) {
      for (double x : {c->ratio, c->low, c->high}) {
        if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
      }
    }
  }
  const double span = hi - lo > 0 ? hi - lo : 0.1;
  lo = std::max(0.0, lo - span * 0.05);
  hi += span * 0.05;
  auto px = [&](double x) { return kForestLeft + (x - lo) / (hi - lo) * (kForestRight - kForestLeft); };
  const int top = kChartPlotTop + 4;
  const int bottom = top + kForestRowHeight * static_cast<int>(rows.size());

  std::string svg = ChartSvgStart("ratios", bottom + 40, " role=\"img\" aria-label=\"Ratios\"");
  svg += ChartTitle(kForestLeft, "Speed against " + Number(base) + ": " +
                                     EscapeHtml(ShownName(file.variants[base].label)) + " (ratio, " +
                                     Percent(file.settings.confidence) + " interval)");
  if (margin > 0) {
    svg += "<rect class=\"margin\"" + Attribute("x", px(1 - margin)) + " y=\"" + std::to_string(top) + "\"" +
           Attribute("width", px(1 + margin) - px(1 - margin)) + " height=\"" + std::to_string(bottom - top) +
           "\" fill=\"#e8e8e8\"/>\n";
  }
  const double step = TickStep(hi - lo);
  const int decimals = TickDecimals(step);
  svg += "<g class=\"axis\">\n";
  for (double x = std::ceil(lo / step - 1e-9) * step; x <= hi + step * 1e-9; x += step) {
    svg += "<line" + Attribute("x1", px(x)) + " y1=\"" + std::to_string(bottom) + "\"" + Attribute("x2", px(x)) +
           " y2=\"" + std::to_string(bottom + 5) + "\"/><text" + Attribute("x", px(x)) + " y=\"" +
           std::to_string(bottom + 18) + "\" text-anchor=\"middle\">" + FixedText(x, decimals) + "</text>\n";
  }
  svg += "<line x1=\"" + std::to_string(kForestLeft) + "\" y1=\"" + std::to_string(bottom) + "\" x2=\"" +
         std::to_string(kForestRight) + "\" y2=\"" + std::to_string(bottom) + "\"/>\n";
  svg += "<line class=\"one\"" + Attribute("x1", px(1)) + " y1=\"" + std::to_string(top) + "\"" +
         Attribute("x2", px(1)) + " y2=\"" + std::to_string(bottom) + "\"/>\n";
  svg += "<text x=\"" + FixedText((kForestLeft + kForestRight) / 2.0, 1) + "\" y=\"" + std::to_string(bottom + 34) +
         "\" text-anchor=\"middle\">speed over the baseline's</text>\n</g>\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t v = rows[i];
    const CompareVariant& variant = file.variants[v];
    const std::string colour = SeriesColour(v);
    const double y = top + kForestRowHeight * (static_cast<double>(i) + 0.5);
    svg += "<g class=\"comparison\" data-variant=\"" + Number(v) + "\">";
    svg += "<text x=\"" + std::to_string(kForestLabelRight) + "\"" + Attribute("y", y + 4) +
           " text-anchor=\"end\">" + Number(v) + ": " + EscapeHtml(ShownName(variant.label)) + "</text>";
    const auto& c = variant.comparison;
    const bool drawn = c && !Failed(variant) && !Failed(file.variants[base]);
    if (drawn && std::isfinite(c->low) && std::isfinite(c->high)) {
      svg += "<line class=\"interval\"" + Attribute("x1", px(c->low)) + Attribute("y1", y) +
             Attribute("x2", px(c->high)) + Attribute("y2", y) + " stroke=\"" + colour + "\" stroke-width=\"2\"/>";
      for (double x : {c->low, c->high}) {
        svg += "<line" + Attribute("x1", px(x)) + Attribute("y1", y - 5) + Attribute("x2", px(x)) +
               Attribute("y2", y + 5) + " stroke=\"" + colour + "\" stroke-width=\"2\"/>";
      }
    }
    if (drawn && std::isfinite(c->ratio)) {
      svg += "<circle class=\"ratio\"" + Attribute("cx", px(c->ratio)) + Attribute("cy", y) + " r=\"4\" fill=\"" +
             colour + "\"/>";
    }
    svg += "<text class=\"verdict\" x=\"" + std::to_string(kVerdictLeft) + "\"" + Attribute("y", y + 4) + ">" +
           EscapeHtml(VerdictText(file, v)) + "</text></g>\n";
  }
  return svg + "</svg>\n";
}

// A variable's value as a point on a sweep's axis. Far beyond a setting's
// range, neighbouring values would be one double apart, too close for ticks.
std::optional<double> NumberValue(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(std::fabs(value) <= 1e12)) {
    return std::nullopt;
  }
  return value;
}

const std::string* VarValue(const CompareVariant& variant, const std::string& name) {
  for (const auto& [key, value] : variant.vars) {
    if (key == name) return &value;
  }
  return nullptr;
}

// The settings of a variant by name, texts as the label shows them.
std::vector<std::pair<std::string, std::string>> SettingsOf(const CompareVariant& v) {
  std::vector<std::pair<std::string, std::string>> s = {
      {"script", v.script},
      {"library", v.library.value_or("")},
      {"maxcpu", v.maxcpu ? (v.maxcpu->empty() ? "default" : *v.maxcpu) : ""},
      {"memory-max", v.memory_max_mb ? std::to_string(*v.memory_max_mb) : ""},
      {"prefetch", v.prefetch ? std::to_string(*v.prefetch) : ""}};
  for (const auto& [name, value] : v.vars) s.emplace_back(name, value);
  return s;
}

std::string HeaderRow(const std::string& name, const std::string& value) {
  return "<tr><th>" + name + "</th><td>" + EscapeHtml(value) + "</td></tr>\n";
}

std::string Known(const std::string& text) { return text.empty() ? "not known" : text; }

std::string RunHeader(const CompareFile& file) {
  const CompareMachine& m = file.machine;
  const CompareSettings& s = file.settings;
  size_t blocks = 0;
  for (const CompareRound& r : file.rounds) blocks = std::max(blocks, r.block);
  std::string html = "<table class=\"header\">\n";
  html += HeaderRow("File", file.path);
  html += HeaderRow("Program", "korbinet-compare " + file.program_version);
  html += HeaderRow("Processor", Known(m.processor));
  html += HeaderRow("Cores", m.cores > 0 ? std::to_string(m.cores) : "not known");
  html += HeaderRow("System", Known(m.os));
  html += HeaderRow("Load average", std::isfinite(m.load_average_start) || std::isfinite(m.load_average_end)
                                        ? Known(std::isfinite(m.load_average_start) ? FixedText(m.load_average_start, 2) : "") +
                                              " at the start, " +
                                              Known(std::isfinite(m.load_average_end) ? FixedText(m.load_average_end, 2) : "") +
                                              " at the end"
                                        : "not known");
  html += HeaderRow("Rounds", std::to_string(file.rounds.size()) + " of " + FixedText(s.round_seconds, 3) + " s in " +
                                  std::to_string(blocks) + " blocks (" + std::to_string(s.warmup_blocks) +
                                  " of warm-up), frames in " + s.order + " order");
  html += HeaderRow("Verdicts", "margin " + FixedText(s.margin_percent, 2) + " %, " + Percent(s.confidence) +
                                    " intervals, seed " + std::to_string(s.seed) +
                                    (std::isfinite(s.fail_if_slower_percent)
                                         ? ", failing when slower by over " + FixedText(s.fail_if_slower_percent, 2) + " %"
                                         : ""));
  return html + "</table>\n";
}

// Texts, so every column left-aligned.
std::string VariantsTable(const CompareFile& file) {
  std::string html = "<table class=\"variants\">\n<tr><th>#</th><th>Label</th><th>Script</th><th>Library</th>"
                     "<th>Library version</th><th>Settings</th></tr>\n";
  for (size_t v = 0; v < file.variants.size(); ++v) {
    const CompareVariant& variant = file.variants[v];
    std::string library = variant.library_version.value_or("");
    if (variant.library_file_version) library += " (" + *variant.library_file_version + ")";
    std::string settings;
    for (const auto& [name, value] : SettingsOf(variant)) {
      const bool given = name == "maxcpu" ? variant.maxcpu.has_value() : !value.empty();
      if (name == "script" || name == "library" || !given) continue;
      settings += (settings.empty() ? "" : " ") + name + "=" + value;
    }
    html += "<tr>";
    for (const std::string& cell : {Number(v), variant.label, variant.script, variant.library.value_or("the usual"),
                                    library.empty() ? "-" : library, settings.empty() ? "-" : settings}) {
      html += "<td>" + EscapeHtml(cell) + "</td>";
    }
    html += "</tr>\n";
  }
  return html + "</table>\n";
}

std::string SweepCharts(const CompareFile& file) {
  const Sweep sweep = FindSweep(file);
  if (sweep.series.empty()) return std::string();
  const bool threads = sweep.setting == "prefetch";
  const std::string x_title = threads ? "Prefetch threads" : sweep.setting == "memory-max" ? "memory-max (MB)" : sweep.setting;
  Chart speed{"sweep-speed", "Median speed against " + x_title, "fps", {}};
  speed.x_title = x_title;
  Chart efficiency{"sweep-efficiency", "Efficiency: speed-up over the baseline / its threads", "per thread", {}};
  efficiency.x_title = x_title;
  const size_t base = file.settings.baseline - 1;
  const CompareVariant& baseline = file.variants[base];
  for (size_t i = 0; i < sweep.series.size(); ++i) {
    const Sweep::Series& series = sweep.series[i];
    ChartSeries s{series.name.empty() ? "median fps" : series.name, SeriesColour(i), false, {}, {}};
    ChartSeries e{series.name.empty() ? "efficiency" : series.name, SeriesColour(i), false, {}, {}};
    for (size_t k = 0; k < series.variants.size(); ++k) {
      const CompareVariant& variant = file.variants[series.variants[k]];
      if (Failed(variant) || !std::isfinite(variant.stats.median_fps)) continue;
      s.x.push_back(series.values[k]);
      s.y.push_back(variant.stats.median_fps);
      // Threads against the baseline's, so a baseline of 1 thread gives the plain speed-up per thread.
      const double ratio = series.variants[k] == base ? 1 : variant.comparison ? variant.comparison->ratio : NAN;
      if (threads && baseline.prefetch && std::isfinite(ratio) && !Failed(baseline)) {
        e.x.push_back(series.values[k]);
        e.y.push_back(ratio * static_cast<double>(*baseline.prefetch) / series.values[k]);
      }
    }
    if (!s.x.empty()) speed.series.push_back(std::move(s));
    if (!e.x.empty()) efficiency.series.push_back(std::move(e));
  }
  std::string html = "<h2>Sweep of " + EscapeHtml(x_title) + "</h2>\n";
  if (!speed.series.empty()) html += ChartSvg(speed);
  if (!efficiency.series.empty()) {
    html += ChartSvg(efficiency) +
            "<p>Efficiency: the speed-up over the baseline (the ratio) divided by the threads over the "
            "baseline's threads. 1 means the speed grows with the threads.</p>\n";
  }
  return html;
}

// Each variant's stages as the run's page shows a log's, per frame of its
// rounds, warm-up included as the figures are.
std::string StagesHtml(const CompareFile& file) {
  std::string html;
  for (size_t v = 0; v < file.variants.size(); ++v) {
    const CompareVariant& variant = file.variants[v];
    if (variant.stages.empty()) continue;
    double frames = 0, wall = 0;
    for (const CompareRound& r : file.rounds) {
      if (r.variant != v + 1) continue;
      frames += static_cast<double>(r.frames);
      wall += r.wall_seconds;
    }
    StageTimes times;
    times.summed_over_threads = variant.prefetch.value_or(0) > 1;
    for (const CompareStage& s : variant.stages) {
      times.rows.push_back({s.name, static_cast<uint64_t>(s.calls), frames > 0 ? s.self_seconds * 1000 / frames : 0,
                            frames > 0 ? s.inclusive_seconds * 1000 / frames : 0,
                            wall > 0 ? s.self_seconds / wall * 100 : 0});
    }
    html += "<h3>" + Number(v) + ": " + EscapeHtml(variant.label) + "</h3>\n" + StageTimesHtml(times, "h4");
  }
  return html.empty() ? html : "<h2>Stage times</h2>\n" + html;
}

}  // namespace

std::vector<std::vector<std::string>> CompareCells(const CompareFile& file) {
  std::vector<std::vector<std::string>> cells = {{"#", "Label", "Median fps", "\xC2\xB1 MAD", "Ratio",
                                                  Percent(file.settings.confidence) + " interval", "Verdict",
                                                  "CPU ms/frame", "Peak MB"}};
  const size_t base = file.settings.baseline - 1;
  for (size_t v = 0; v < file.variants.size(); ++v) {
    const CompareVariant& variant = file.variants[v];
    const CompareStats& s = variant.stats;
    const int d = text::CompareFpsDecimals(s.median_fps);
    std::vector<std::string> row = {
        Number(v) + (v == base && file.variants.size() > 1 ? "*" : ""), variant.label,
        Failed(variant) ? "failed" : Figure(s.median_fps, d),
        std::isfinite(s.mad_fps) ? "\xC2\xB1 " + FixedText(s.mad_fps, d) : "-", "baseline", "-", "-",
        Figure(s.cpu_ms_per_frame, s.cpu_ms_per_frame < 1 ? 3 : 2), Megabytes(s.peak_memory_bytes)};
    if (v != base) {
      const auto& c = variant.comparison;
      row[4] = c ? Figure(c->ratio, RatioDecimals(*c)) : "-";
      row[5] = c && std::isfinite(c->low) && std::isfinite(c->high)
                   ? FixedText(c->low, RatioDecimals(*c)) + "-" + FixedText(c->high, RatioDecimals(*c))
                   : "-";
      row[6] = c && !Failed(variant) && !Failed(file.variants[base]) ? c->verdict : "-";
    }
    cells.push_back(std::move(row));
  }
  return cells;
}

std::string VerdictText(const CompareFile& file, size_t v) {
  const size_t base = file.settings.baseline - 1;
  const CompareVariant& variant = file.variants[v];
  if (v == base) return "baseline";
  if (Failed(variant)) return "failed";
  if (Failed(file.variants[base])) return "not compared: the baseline failed";
  const auto& c = variant.comparison;
  if (!c || !std::isfinite(c->ratio)) return "not compared";
  const int d = RatioDecimals(*c);
  if (!std::isfinite(c->low) || !std::isfinite(c->high)) {
    return c->verdict + ": " + FixedText(c->ratio, d) + " x, fewer than 2 blocks measured both";
  }
  return c->verdict + ": " + FixedText(c->ratio, d) + " x (" + FixedText(c->low, d) + "-" + FixedText(c->high, d) + ")";
}

Sweep FindSweep(const CompareFile& file) {
  Sweep sweep;
  const size_t n = file.variants.size();
  if (n < 2) return sweep;
  // Candidates in order of preference, each with every variant's value.
  std::vector<std::pair<std::string, std::vector<std::optional<double>>>> candidates;
  auto add = [&](const std::string& name, auto value_of) {
    std::vector<std::optional<double>> values;
    for (const CompareVariant& v : file.variants) values.push_back(value_of(v));
    candidates.emplace_back(name, std::move(values));
  };
  add("prefetch", [](const CompareVariant& v) -> std::optional<double> {
    return v.prefetch ? std::optional<double>(static_cast<double>(*v.prefetch)) : std::nullopt;
  });
  add("memory-max", [](const CompareVariant& v) -> std::optional<double> {
    return v.memory_max_mb ? std::optional<double>(static_cast<double>(*v.memory_max_mb)) : std::nullopt;
  });
  for (const auto& var : file.variants[0].vars) {
    const std::string& name = var.first;
    add(name, [&name](const CompareVariant& v) -> std::optional<double> {
      const std::string* value = VarValue(v, name);
      return value ? NumberValue(*value) : std::nullopt;
    });
  }
  for (const auto& candidate : candidates) {
    const std::string& setting = candidate.first;
    const std::vector<std::optional<double>>& values = candidate.second;
    const bool all = std::all_of(values.begin(), values.end(), [](const auto& x) { return x.has_value(); });
    if (!all || std::all_of(values.begin(), values.end(), [&](const auto& x) { return *x == *values[0]; })) {
      continue;
    }
    // The other settings group the variants; those that differ between groups name them.
    std::map<std::vector<std::pair<std::string, std::string>>, size_t> groups;
    std::vector<std::vector<std::pair<std::string, std::string>>> keys;
    for (size_t v = 0; v < n; ++v) {
      std::vector<std::pair<std::string, std::string>> key;
      for (auto& s : SettingsOf(file.variants[v])) {
        if (s.first != setting) key.push_back(std::move(s));
      }
      const auto [it, added] = groups.emplace(key, sweep.series.size());
      if (added) {
        sweep.series.emplace_back();
        keys.push_back(key);
      }
      Sweep::Series& series = sweep.series[it->second];
      const auto at = std::upper_bound(series.values.begin(), series.values.end(), *values[v]);
      series.variants.insert(series.variants.begin() + (at - series.values.begin()), v);
      series.values.insert(at, *values[v]);
    }
    for (size_t g = 0; g < keys.size(); ++g) {
      for (size_t k = 0; k < keys[g].size(); ++k) {
        const bool differs = std::any_of(keys.begin(), keys.end(), [&](const auto& other) {
          return k >= other.size() || other[k] != keys[g][k];
        });
        if (!differs) continue;
        // A setting not given is the library's own choice, as the labels say.
        const auto& [key, value] = keys[g][k];
        std::string& name = sweep.series[g].name;
        name += (name.empty() ? "" : " ") +
                (key == "script" ? value : key + "=" + (value.empty() ? "default" : value));
      }
    }
    sweep.setting = setting;
    return sweep;
  }
  return sweep;
}

std::string ComparePage(const CompareFile& file) {
  const size_t n = file.variants.size();
  std::string html = PageStart("Korbinet comparison: " + std::to_string(n) + (n == 1 ? " variant" : " variants"));
  html += RunHeader(file);
  html += "<h2>Figures</h2>\n" + FiguresTable(CompareCells(file), file.settings.baseline - 1);
  html += "<p>Median and MAD (scaled to estimate a standard deviation) over the counted rounds. "
          "Ratio: the speed over the baseline's (marked *), paired within each block; its interval from "
          "resampling the blocks. The verdict is <b>same</b> when the interval lies within 1 &#177; the margin, "
          "<b>faster</b> when it lies above 1, <b>slower</b> when below, <b>undecided</b> otherwise.</p>\n";
  if (n == 0) return html + "<p>The file holds no variant.</p>\n" + kPageEnd;
  html += "<h2>Rounds</h2>\n" + RoundsSvg(file) +
          "<p>One point per round, in its variant's column, left to right in the order of the blocks; "
          "the bar is the median. Faint: warm-up rounds, not counted. Ringed: outliers, more than 3 "
          "scaled MADs from the median.</p>\n";
  if (n > 1) html += "<h2>Against the baseline</h2>\n" + RatiosSvg(file);
  html += SweepCharts(file);
  html += StagesHtml(file);
  html += "<h2>Variants</h2>\n" + VariantsTable(file);
  std::string errors;
  for (size_t v = 0; v < n; ++v) {
    if (!Failed(file.variants[v])) continue;
    errors += "<h3>" + Number(v) + ": " + EscapeHtml(file.variants[v].label) + "</h3>\n<pre class=\"error\">" +
              EscapeHtml(*file.variants[v].error) + "\n</pre>\n";
  }
  if (!errors.empty()) html += "<h2>Errors</h2>\n" + errors;
  return html + kPageEnd;
}

}  // namespace report
