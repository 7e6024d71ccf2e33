#include "compare/compare_json.h"

#include "compare/json_writer.h"

namespace compare {
namespace {

void OptionalText(JsonWriter* w, const std::string& key, const std::string& text) {
  w->Key(key);
  if (text.empty()) {
    w->Null();
  } else {
    w->String(text);
  }
}

void WriteSettings(JsonWriter* w, const CompareOptions& o) {
  w->Key("settings");
  w->BeginObject();
  w->Key("round_seconds");
  w->Number(o.round_seconds);
  w->Key("warmup_blocks");
  w->Integer(o.warmup);
  w->Key("max_blocks");
  if (o.rounds > 0) {
    w->Integer(o.rounds);
  } else {
    w->Null();
  }
  w->Key("max_seconds");
  w->Number(o.time_seconds);
  w->Key("order");
  w->String(FrameOrderName(o.order));
  w->Key("baseline");
  w->Unsigned(o.baseline + 1);
  w->Key("margin_percent");
  w->Number(o.margin_percent);
  w->Key("confidence");
  w->Number(kConfidence);
  w->Key("resamples");
  w->Integer(SettingsFor(o).resamples);
  w->Key("seed");
  w->Unsigned(o.seed);
  w->Key("fail_if_slower_percent");
  if (o.fail_if_slower_percent > 0) {
    w->Number(o.fail_if_slower_percent);
  } else {
    w->Null();
  }
  w->EndObject();
}

void WriteVariant(JsonWriter* w, const CompareResult& r, size_t v) {
  const Variant& variant = r.options.variants[v];
  const VariantOutcome& o = r.outcomes[v];
  w->BeginObject();
  w->Key("number");
  w->Unsigned(v + 1);
  w->Key("label");
  w->String(variant.label);
  w->Key("script");
  w->String(variant.script);
  OptionalText(w, "library", variant.library);
  OptionalText(w, "library_version", o.library_version);
  OptionalText(w, "library_file_version", o.library_file_version);
  w->Key("prefetch");
  variant.prefetch ? w->Integer(*variant.prefetch) : w->Null();
  w->Key("maxcpu");
  variant.max_cpu ? w->String(*variant.max_cpu) : w->Null();
  w->Key("memory_max_mb");
  variant.memory_max_mb ? w->Integer(*variant.memory_max_mb) : w->Null();
  w->Key("vars");
  w->BeginObject();
  for (const auto& [name, value] : variant.vars) {
    w->Key(name);
    w->String(value);
  }
  w->EndObject();
  OptionalText(w, "error", o.error);
  // Only scripts with stage markers have stages to show.
  if (!o.stages.empty()) {
    w->Key("stages");
    w->BeginArray();
    for (const StageFigures& stage : o.stages) {
      w->BeginObject();
      w->Key("name");
      w->String(stage.name);
      w->Key("calls");
      w->Unsigned(stage.calls);
      w->Key("self_seconds");
      w->Number(stage.self_seconds);
      w->Key("inclusive_seconds");
      w->Number(stage.inclusive_seconds);
      w->EndObject();
    }
    w->EndArray();
  }

  const VariantStats& s = o.stats;
  w->Key("statistics");
  w->BeginObject();
  w->Key("rounds");
  w->Unsigned(s.rounds);
  w->Key("median_fps");
  w->Number(s.median_fps);
  w->Key("mad_fps");
  w->Number(s.mad_fps);
  w->Key("mean_fps");
  w->Number(s.mean_fps);
  w->Key("sd_fps");
  w->Number(s.sd_fps);
  w->Key("outlier_blocks");
  w->BeginArray();
  for (size_t block : s.outlier_blocks) w->Unsigned(block + 1);
  w->EndArray();
  w->Key("cpu_ms_per_frame");
  w->Number(s.cpu_ms_per_frame);
  w->Key("peak_memory_bytes");
  w->Unsigned(s.peak_memory_bytes);
  w->Key("threads");
  w->Integer(s.threads);
  w->EndObject();

  w->Key("comparison");
  if (v == r.options.baseline) {
    w->Null();
  } else {
    const Comparison& c = o.comparison;
    w->BeginObject();
    w->Key("pairs");
    w->Unsigned(c.pairs);
    w->Key("ratio");
    w->Number(c.ratio);
    w->Key("low");
    w->Number(c.low);
    w->Key("high");
    w->Number(c.high);
    w->Key("verdict");
    w->String(VerdictName(c.verdict));
    w->EndObject();
  }
  w->EndObject();
}

}  // namespace

std::string ResultJson(const CompareResult& r) {
  JsonWriter w;
  w.BeginObject();
  w.Key("schema");
  w.Integer(kJsonSchema);
  w.Key("program");
  w.BeginObject();
  w.Key("name");
  w.String("korbinet-compare");
  w.Key("version");
  w.String(r.program_version);
  w.EndObject();

  w.Key("machine");
  w.BeginObject();
  OptionalText(&w, "processor", r.machine.processor);
  w.Key("cores");
  r.machine.cores > 0 ? w.Integer(r.machine.cores) : w.Null();
  OptionalText(&w, "os", r.machine.os);
  w.Key("load_average_start");
  w.Number(r.machine.load_average_start);
  w.Key("load_average_end");
  w.Number(r.machine.load_average_end);
  w.EndObject();

  WriteSettings(&w, r.options);

  w.Key("variants");
  w.BeginArray();
  for (size_t v = 0; v < r.options.variants.size() && v < r.outcomes.size(); ++v) {
    WriteVariant(&w, r, v);
  }
  w.EndArray();

  w.Key("rounds");
  w.BeginArray();
  for (const Round& round : r.rounds) {
    w.BeginObject();
    w.Key("variant");
    w.Unsigned(round.variant + 1);
    w.Key("block");
    w.Unsigned(round.block + 1);
    w.Key("position");
    w.Unsigned(round.position + 1);
    w.Key("warmup");
    w.Bool(IsWarmup(r, round));
    w.Key("frames");
    w.Unsigned(round.frames);
    w.Key("wall_seconds");
    w.Number(round.wall_seconds);
    w.Key("cpu_seconds");
    w.Number(round.cpu_seconds);
    w.Key("fps");
    w.Number(RoundFps(round));
    w.Key("peak_memory_bytes");
    w.Unsigned(round.peak_memory_bytes);
    w.Key("threads");
    w.Integer(round.threads);
    w.Key("outlier");
    w.Bool(IsOutlier(r, round));
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.text();
}

}  // namespace compare
