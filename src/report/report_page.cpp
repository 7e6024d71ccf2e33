#include "report/report_page.h"

#include "report/html_text.h"
#include "report/run_breakdown.h"
#include "report/speed_series.h"
#include "report/svg_chart.h"

namespace report {

namespace {

const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#222;max-width:60em}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.6em}"
    "table{border-collapse:collapse}td,th{padding:.2em .7em;text-align:left;"
    "vertical-align:top}th{background:#eee}table.figures td{text-align:right}"
    "table.figures td.label{text-align:left}tr.baseline td{font-weight:bold}"
    "pre{background:#f6f6f6;padding:.6em;overflow-x:auto}"
    "svg.chart{display:block;margin:.8em 0;font-size:12px}"
    "svg.chart .title{font-size:14px;font-weight:bold}"
    "svg.chart .axis line{stroke:#444}svg.chart .axis line.grid{stroke:#ddd}"
    "svg.chart polyline{fill:none;stroke-width:1.3}";

}  // namespace

std::string PageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n"
         "<head>\n<meta charset=\"utf-8\"/>\n<meta name=\"generator\" content=\"korbinet-report\"/>\n"
         "<title>" + EscapeHtml(title) + "</title>\n<style>" + kStyle +
         "</style>\n</head>\n<body>\n<h1>" + EscapeHtml(title) + "</h1>\n";
}

namespace {

std::string ClipText(const RunLog& log) {
  const std::string frames = LineValue(log.clip, "Number of frames:");
  if (frames.empty()) return std::string();
  if (frames == "n/a") return "audio only";
  std::string text = frames + " frames";
  const std::string width = LineValue(log.clip, "Frame width:");
  const std::string height = LineValue(log.clip, "Frame height:");
  if (!width.empty() && !height.empty()) text += ", " + width + " x " + height;
  // "25.000 (25/1, TFF)" reads "25.000 fps (25/1, TFF)".
  const std::string rate = LineValue(log.clip, "Framerate:");
  const size_t space = rate.find(' ');
  if (!rate.empty()) {
    text += ", " + rate.substr(0, space) + " fps" +
            (space == std::string::npos ? "" : rate.substr(space));
  }
  const std::string colours = LineValue(log.clip, "Colorspace:");
  if (!colours.empty()) text += ", " + colours;
  return text;
}

std::string HeaderRow(const std::string& name, const std::string& value) {
  return "<tr><th>" + name + "</th><td>" + EscapeHtml(value) + "</td></tr>\n";
}

std::string RunHeader(const Run& run) {
  const std::string not_logged = "not known (no log beside the CSV)";
  const bool logged = !run.log_path.empty();
  std::string html = "<table class=\"header\">\n";
  html += HeaderRow("Script", logged ? LineValue(run.log.general, "Script file:") : not_logged);
  std::string library = LineValue(run.log.general, "Avisynth version string:");
  const std::string version = LineValue(run.log.general, "Avisynth file version:");
  if (!version.empty()) library += " (" + version + ")";
  html += HeaderRow("Library", logged ? library : not_logged);
  const std::string clip = ClipText(run.log);
  html += HeaderRow("Clip", logged ? (clip.empty() ? "not in the log" : clip) : not_logged);
  const std::string switches = LineValue(run.log.general, "Command line switches:");
  html += HeaderRow("Switches", logged ? (switches.empty() ? "none" : switches) : not_logged);
  html += HeaderRow("Date", run.date.empty() ? "not known" : run.date);
  html += HeaderRow("Program", logged ? LineValue(run.log.general, "Log file created with:")
                                      : not_logged);
  html += HeaderRow("Files", run.csv_path + (logged ? ", " + run.log_path : ""));
  html += HeaderRow("Records", std::to_string(run.csv.records.size()));
  return html + "</table>\n";
}

std::string Summary(const Run& run) {
  if (run.log.runtime.empty()) {
    return "<p>No summary: " +
           std::string(run.log_path.empty() ? "no log lies beside the CSV."
                                            : "the log has no \"[Runtime info]\" section.") +
           "</p>\n";
  }
  std::string html = "<pre class=\"summary\">";
  for (const std::string& line : run.log.runtime) html += EscapeHtml(line) + "\n";
  return html + "</pre>\n";
}

// heading: "h2" on a run's own page, "h3" under the run's heading otherwise.
std::string RunDetails(const Run& run, const std::string& heading) {
  const std::string open = "<" + heading + ">", close = "</" + heading + ">\n";
  std::string html = StageTimesHtml(ParseStageTimes(run.log.stages), heading) +
                     MemoryPerFilterHtml(run.graph, run.graph_path, heading);
  if (!run.log.graphics.empty()) {
    html += open + "Graphics card" + close + "<pre class=\"graphics\">";
    for (const std::string& line : run.log.graphics) html += EscapeHtml(line) + "\n";
    html += "</pre>\n";
  }
  if (!run.log.avisynth_error.empty()) {
    html += open + "AviSynth error" + close + "<pre class=\"error\">" +
            EscapeHtml(run.log.avisynth_error) + "\n</pre>\n";
  }
  html += open + "Script" + close;
  if (run.log_path.empty()) return html + "<p>Not known: no log lies beside the CSV.</p>\n";
  return html + "<pre class=\"script\">" + EscapeHtml(run.log.script) + "\n</pre>\n";
}

using Field = double (*)(const CsvRecord&);

std::vector<double> Column(const RunCsv& csv, Field f) {
  std::vector<double> values;
  values.reserve(csv.records.size());
  for (const CsvRecord& r : csv.records) values.push_back(f(r));
  return values;
}

ChartSeries Series(const std::string& name, size_t colour, const std::vector<double>& x,
                   std::vector<double> y, bool dashed = false) {
  ChartSeries s;
  s.name = name;
  s.colour = SeriesColour(colour);
  s.dashed = dashed;
  s.x = x;
  s.y = std::move(y);
  return s;
}

double Frame(const CsvRecord& r) { return r.frame; }
double Rate(const CsvRecord& r) { return r.frame_rate; }
double Average(const CsvRecord& r) { return r.average_frame_rate; }
double Cpu(const CsvRecord& r) { return r.cpu; }
double Gpu(const CsvRecord& r) { return r.gpu; }
double Vpu(const CsvRecord& r) { return r.vpu; }
double Threads(const CsvRecord& r) { return r.threads; }
double Physical(const CsvRecord& r) { return r.physical_memory; }
double Virtual(const CsvRecord& r) { return r.virtual_memory; }

}  // namespace

std::string FiguresTable(const std::vector<std::vector<std::string>>& cells, size_t baseline) {
  std::string html = "<table class=\"figures\">\n<tr>";
  for (const std::string& title : cells[0]) html += "<th>" + EscapeHtml(title) + "</th>";
  html += "</tr>\n";
  for (size_t i = 1; i < cells.size(); ++i) {
    html += i - 1 == baseline && cells.size() > 2 ? "<tr class=\"baseline\">" : "<tr>";
    for (size_t c = 0; c < cells[i].size(); ++c) {
      html += (c == 1 ? "<td class=\"label\">" : "<td>") + EscapeHtml(cells[i][c]) + "</td>";
    }
    html += "</tr>\n";
  }
  return html + "</table>\n";
}

namespace {

// The rate series of a run's speed chart, named for what a point stands for.
ChartSeries SpeedLine(const std::string& name, size_t colour, const RunCsv& csv) {
  const SpeedSeries speed = SpeedOverTime(csv.records);
  return Series(speed.windowed ? name + " (per " + FixedText(speed.window_seconds, 3) + " s)" : name, colour,
                speed.x, speed.y);
}

// The axis follows the rates drawn, so that a burst of frames made ahead by
// Prefetch cannot push every other figure onto the bottom line.
void LimitToBulk(Chart* chart, size_t series) {
  std::vector<double> rates;
  for (size_t i = 0; i < series && i < chart->series.size(); ++i) {
    rates.insert(rates.end(), chart->series[i].y.begin(), chart->series[i].y.end());
  }
  chart->y_limit = ResistantTop(rates);
}

// Times per frame of each run, in milliseconds: what a user waits for a frame.
std::string FrameTimesTable(const std::vector<const Run*>& runs, size_t baseline) {
  std::vector<std::vector<std::string>> cells = {
      {"Run", "Label", "Median ms", "95th percentile ms", "99th percentile ms", "Maximum ms"}};
  for (size_t i = 0; i < runs.size(); ++i) {
    const FrameTimes t = FrameTimesOf(runs[i]->csv.records);
    cells.push_back({std::to_string(i + 1) + (i == baseline && runs.size() > 1 ? "*" : ""), runs[i]->label,
                     FixedText(t.median, 3), FixedText(t.p95, 3), FixedText(t.p99, 3), FixedText(t.maximum, 3)});
  }
  return FiguresTable(cells, baseline) +
         "<p>Each record's frames count at the record's own time per frame. With a record per frame "
         "(sampling interval 1) these are the waits for single frames, under Prefetch too; "
         "with longer intervals, averages over each interval.</p>\n";
}

}  // namespace

std::string RunPage(const Run& run, const RunFigures& figures) {
  std::string html = PageStart("Korbinet run: " + run.label);
  html += RunHeader(run);
  html += "<h2>Figures</h2>\n" + FiguresTable(ComparisonCells({run.label}, {figures}, 0), 0);
  html += "<h2>Time per frame</h2>\n" + FrameTimesTable({&run}, 0);
  html += "<h2>Summary</h2>\n" + Summary(run);
  html += "<h2>Charts</h2>\n";
  const std::vector<double> x = Column(run.csv, Frame);
  {
    Chart c{"fps", "Frames per second", "fps", {}};
    c.series.push_back(SpeedLine("current", 0, run.csv));
    c.series.push_back(Series("average", 1, x, Column(run.csv, Average), true));
    LimitToBulk(&c, 1);
    html += ChartSvg(c);
  }
  {
    Chart c{"cpu", "CPU usage", "%", {}};
    c.series.push_back(Series("CPU", 0, x, Column(run.csv, Cpu)));
    html += ChartSvg(c);
  }
  {
    Chart c{"memory", "Memory", "MB", {}};
    c.series.push_back(Series("physical", 0, x, Column(run.csv, Physical)));
    c.series.push_back(Series("virtual", 1, x, Column(run.csv, Virtual), true));
    html += ChartSvg(c);
  }
  {
    Chart c{"threads", "Thread count", "threads", {}};
    c.series.push_back(Series("threads", 0, x, Column(run.csv, Threads)));
    html += ChartSvg(c);
  }
  if (run.csv.has_gpu) {
    Chart c{"gpu", "GPU load", "%", {}};
    c.series.push_back(Series("GPU", 0, x, Column(run.csv, Gpu)));
    if (run.csv.has_vpu) c.series.push_back(Series("video engine", 1, x, Column(run.csv, Vpu)));
    html += ChartSvg(c);
  }
  html += RunDetails(run, "h2");
  return html + kPageEnd;
}

std::string ComparisonPage(const std::vector<Run>& runs, const std::vector<RunFigures>& figures,
                           size_t baseline) {
  std::string html = PageStart("Korbinet comparison: " + std::to_string(runs.size()) + " runs");
  std::vector<std::string> labels;
  for (const Run& run : runs) labels.push_back(run.label);
  html += FiguresTable(ComparisonCells(labels, figures, baseline), baseline);
  html += "<p>Ratio: the average fps against run " + std::to_string(baseline + 1) +
          ", the baseline (marked *). Efficiency: average fps per percent of CPU.</p>\n";
  std::vector<const Run*> run_list;
  for (const Run& run : runs) run_list.push_back(&run);
  html += "<h2>Time per frame</h2>\n" + FrameTimesTable(run_list, baseline);

  struct Overlay {
    const char* id;
    const char* title;
    const char* unit;
    Field value;
    bool gpu;
  };
  const Overlay overlays[] = {
      {"fps", "Current frames per second", "fps", Rate, false},
      {"cpu", "CPU usage", "%", Cpu, false},
      {"memory", "Physical memory", "MB", Physical, false},
      {"threads", "Thread count", "threads", Threads, false},
      {"gpu", "GPU load", "%", Gpu, true},
  };
  std::vector<std::vector<double>> frames;
  for (const Run& run : runs) frames.push_back(Column(run.csv, Frame));
  html += "<h2>Charts</h2>\n";
  for (const Overlay& o : overlays) {
    Chart c{o.id, o.title, o.unit, {}};
    for (size_t i = 0; i < runs.size(); ++i) {
      if (o.gpu && !runs[i].csv.has_gpu) continue;
      const std::string name = std::to_string(i + 1) + ": " + runs[i].label;
      c.series.push_back(o.value == Rate ? SpeedLine(name, i, runs[i].csv)
                                         : Series(name, i, frames[i], Column(runs[i].csv, o.value)));
    }
    if (o.value == Rate) LimitToBulk(&c, c.series.size());
    if (!c.series.empty()) html += ChartSvg(c);
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    html += "<h2>Run " + std::to_string(i + 1) + ": " + EscapeHtml(runs[i].label) + "</h2>\n";
    html += RunHeader(runs[i]);
    html += "<h3>Summary</h3>\n" + Summary(runs[i]);
    html += RunDetails(runs[i], "h3");
  }
  return html + kPageEnd;
}

}  // namespace report
