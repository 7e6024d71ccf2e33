#include "report/compare_file.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "report/json_reader.h"

namespace report {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
// Above any speed, time or ratio measured, and low enough that a chart's
// axis over such figures stays finite with whole steps between its ticks.
constexpr double kLargestFigure = 1e15;

// Reads the members of the file's objects, each checked for its type and
// range; the first fault ends the reading with a message naming the field.
class Fields {
 public:
  Fields(const InputFile& file, std::string* error) : file_(file), error_(error) {}

  bool Fail(const JsonValue& at, const std::string& where, const std::string& what) {
    *error_ = InputError(file_.path, at.line, where + ": " + what);
    return false;
  }

  // The member of obj named key with the given type; null when it is null or
  // missing and may be, or on a fault (then *ok is false).
  const JsonValue* Member(const JsonValue& obj, const std::string& where, const char* key,
                          JsonType type, bool nullable, bool* ok) {
    *ok = true;
    const JsonValue* v = obj.Find(key);
    if (v == nullptr || v->type == JsonType::kNull) {
      if (nullable) return nullptr;
      *ok = v == nullptr ? Fail(obj, where, std::string("no \"") + key + "\"")
                         : Fail(*v, Name(where, key), std::string(JsonTypeName(type)) + " expected, found null");
      return nullptr;
    }
    if (v->type != type) {
      *ok = Fail(*v, Name(where, key), std::string(JsonTypeName(type)) + (nullable ? " or null" : "") +
                                           " expected, found " + JsonTypeName(v->type));
      return nullptr;
    }
    return v;
  }

  bool Object(const JsonValue& obj, const std::string& where, const char* key, bool nullable,
              const JsonValue** out) {
    bool ok;
    *out = Member(obj, where, key, JsonType::kObject, nullable, &ok);
    return ok;
  }

  bool Array(const JsonValue& obj, const std::string& where, const char* key, const JsonValue** out) {
    bool ok;
    *out = Member(obj, where, key, JsonType::kArray, false, &ok);
    return ok;
  }

  bool Text(const JsonValue& obj, const std::string& where, const char* key, std::string* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kString, false, &ok);
    if (v) *out = v->text;
    return ok;
  }

  bool OptionalText(const JsonValue& obj, const std::string& where, const char* key,
                    std::optional<std::string>* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kString, true, &ok);
    if (v) *out = v->text;
    return ok;
  }

  // A number from min to kLargestFigure; NaN for null when nullable.
  bool Real(const JsonValue& obj, const std::string& where, const char* key, double min,
            bool nullable, double* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kNumber, nullable, &ok);
    *out = kNaN;
    if (!v) return ok;
    if (!(v->number >= min && v->number <= kLargestFigure)) {
      return Fail(*v, Name(where, key), v->text + " is not from " + Figure(min) + " to " + Figure(kLargestFigure));
    }
    *out = v->number;
    return true;
  }

  // A whole number from min to max, as written (no fraction, no exponent).
  bool Whole(const JsonValue& v, const std::string& where, int64_t min, int64_t max, int64_t* out) {
    if (v.type != JsonType::kNumber) return Fail(v, where, std::string("a whole number expected, found ") + JsonTypeName(v.type));
    const auto [end, ec] = std::from_chars(v.text.data(), v.text.data() + v.text.size(), *out);
    if (ec != std::errc() || end != v.text.data() + v.text.size() || *out < min || *out > max) {
      return Fail(v, where, v.text + " is not a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return true;
  }

  bool Whole(const JsonValue& obj, const std::string& where, const char* key, int64_t min, int64_t max,
             bool nullable, std::optional<int64_t>* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kNumber, nullable, &ok);
    out->reset();
    if (!v) return ok;
    int64_t value = 0;
    if (!Whole(*v, Name(where, key), min, max, &value)) return false;
    *out = value;
    return true;
  }

  bool Whole(const JsonValue& obj, const std::string& where, const char* key, int64_t min, int64_t max,
             int64_t* out) {
    std::optional<int64_t> value;
    if (!Whole(obj, where, key, min, max, false, &value)) return false;
    *out = *value;
    return true;
  }

  // Byte counts and the seed use the whole unsigned range.
  bool Unsigned(const JsonValue& obj, const std::string& where, const char* key, uint64_t* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kNumber, false, &ok);
    if (!v) return ok;
    const auto [end, ec] = std::from_chars(v->text.data(), v->text.data() + v->text.size(), *out);
    if (ec != std::errc() || end != v->text.data() + v->text.size()) {
      return Fail(*v, Name(where, key), v->text + " is not a whole number from 0 to " +
                                            std::to_string(std::numeric_limits<uint64_t>::max()));
    }
    return true;
  }

  bool Flag(const JsonValue& obj, const std::string& where, const char* key, bool* out) {
    bool ok;
    const JsonValue* v = Member(obj, where, key, JsonType::kBool, false, &ok);
    if (v) *out = v->boolean;
    return ok;
  }

  static std::string Name(const std::string& where, const char* key) {
    return where.empty() ? std::string(key) : where + "." + key;
  }

 private:
  static std::string Figure(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
  }

  const InputFile& file_;
  std::string* error_;
};

bool ReadMachine(Fields& f, const JsonValue& root, CompareMachine* m) {
  const JsonValue* machine = nullptr;
  if (!f.Object(root, "", "machine", false, &machine)) return false;
  std::optional<std::string> processor, os;
  std::optional<int64_t> cores;
  if (!f.OptionalText(*machine, "machine", "processor", &processor) ||
      !f.OptionalText(*machine, "machine", "os", &os) ||
      !f.Whole(*machine, "machine", "cores", 1, kInt64Max, true, &cores) ||
      !f.Real(*machine, "machine", "load_average_start", 0, true, &m->load_average_start) ||
      !f.Real(*machine, "machine", "load_average_end", 0, true, &m->load_average_end)) {
    return false;
  }
  m->processor = processor.value_or("");
  m->os = os.value_or("");
  m->cores = cores.value_or(0);
  return true;
}

bool ReadSettings(Fields& f, const JsonValue& root, size_t variants, CompareSettings* s) {
  const JsonValue* settings = nullptr;
  if (!f.Object(root, "", "settings", false, &settings)) return false;
  const std::string w = "settings";
  std::optional<int64_t> max_blocks;
  int64_t baseline = 0;
  if (!f.Real(*settings, w, "round_seconds", 0, false, &s->round_seconds) ||
      !f.Whole(*settings, w, "warmup_blocks", 0, kInt64Max, &s->warmup_blocks) ||
      !f.Whole(*settings, w, "max_blocks", 1, kInt64Max, true, &max_blocks) ||
      !f.Real(*settings, w, "max_seconds", 0, false, &s->max_seconds) ||
      !f.Text(*settings, w, "order", &s->order) ||
      !f.Real(*settings, w, "margin_percent", 0, false, &s->margin_percent) ||
      !f.Real(*settings, w, "confidence", 0, false, &s->confidence) ||
      !f.Unsigned(*settings, w, "seed", &s->seed) ||
      !f.Real(*settings, w, "fail_if_slower_percent", 0, true, &s->fail_if_slower_percent)) {
    return false;
  }
  s->max_blocks = max_blocks.value_or(0);
  // The baseline names a variant; without variants there is none to name.
  if (!f.Whole(*settings, w, "baseline", 1, static_cast<int64_t>(std::max<size_t>(variants, 1)), &baseline)) {
    return false;
  }
  s->baseline = static_cast<size_t>(baseline);
  if (!(s->confidence < 1)) return f.Fail(*settings->Find("confidence"), "settings.confidence", "not below 1");
  return true;
}

bool ReadStats(Fields& f, const JsonValue& variant, const std::string& where, CompareStats* s) {
  const JsonValue* stats = nullptr;
  if (!f.Object(variant, where, "statistics", false, &stats)) return false;
  const std::string w = where + ".statistics";
  const JsonValue* outliers = nullptr;
  if (!f.Whole(*stats, w, "rounds", 0, kInt64Max, &s->rounds) ||
      !f.Real(*stats, w, "median_fps", 0, true, &s->median_fps) ||
      !f.Real(*stats, w, "mad_fps", 0, true, &s->mad_fps) ||
      !f.Real(*stats, w, "mean_fps", 0, true, &s->mean_fps) ||
      !f.Real(*stats, w, "sd_fps", 0, true, &s->sd_fps) ||
      !f.Real(*stats, w, "cpu_ms_per_frame", 0, true, &s->cpu_ms_per_frame) ||
      !f.Unsigned(*stats, w, "peak_memory_bytes", &s->peak_memory_bytes) ||
      !f.Whole(*stats, w, "threads", 0, kInt64Max, &s->threads) ||
      !f.Array(*stats, w, "outlier_blocks", &outliers)) {
    return false;
  }
  for (size_t i = 0; i < outliers->items.size(); ++i) {
    int64_t block = 0;
    if (!f.Whole(outliers->items[i], w + ".outlier_blocks[" + std::to_string(i + 1) + "]", 1, kInt64Max, &block)) {
      return false;
    }
    s->outlier_blocks.push_back(block);
  }
  return true;
}

bool ReadComparison(Fields& f, const JsonValue& variant, const std::string& where,
                    std::optional<CompareAgainstBaseline>* out) {
  const JsonValue* c = nullptr;
  if (!f.Object(variant, where, "comparison", true, &c)) return false;
  if (!c) return true;
  const std::string w = where + ".comparison";
  CompareAgainstBaseline a;
  // Ratios of speeds above 0 are above 0.
  if (!f.Whole(*c, w, "pairs", 0, kInt64Max, &a.pairs) || !f.Real(*c, w, "ratio", 0, true, &a.ratio) ||
      !f.Real(*c, w, "low", 0, true, &a.low) || !f.Real(*c, w, "high", 0, true, &a.high) ||
      !f.Text(*c, w, "verdict", &a.verdict)) {
    return false;
  }
  if (a.low > a.high) return f.Fail(*c->Find("low"), w + ".low", "above high");
  if (a.verdict != "faster" && a.verdict != "slower" && a.verdict != "same" && a.verdict != "undecided") {
    return f.Fail(*c->Find("verdict"), w + ".verdict", "not faster, slower, same or undecided");
  }
  *out = a;
  return true;
}

// A field later than the first files of schema 1: missing is none.
bool ReadStages(Fields& f, const JsonValue& variant, const std::string& where, std::vector<CompareStage>* out) {
  bool ok;
  const JsonValue* stages = f.Member(variant, where, "stages", JsonType::kArray, true, &ok);
  for (size_t i = 0; stages && i < stages->items.size(); ++i) {
    const JsonValue& s = stages->items[i];
    const std::string w = where + ".stages[" + std::to_string(i + 1) + "]";
    if (s.type != JsonType::kObject) {
      return f.Fail(s, w, std::string("an object expected, found ") + JsonTypeName(s.type));
    }
    CompareStage stage;
    if (!f.Text(s, w, "name", &stage.name) || !f.Whole(s, w, "calls", 0, kInt64Max, &stage.calls) ||
        !f.Real(s, w, "self_seconds", 0, false, &stage.self_seconds) ||
        !f.Real(s, w, "inclusive_seconds", 0, false, &stage.inclusive_seconds)) {
      return false;
    }
    out->push_back(std::move(stage));
  }
  return ok;
}

bool ReadVariant(Fields& f, const JsonValue& v, size_t index, CompareVariant* out) {
  const std::string w = "variants[" + std::to_string(index + 1) + "]";
  if (v.type != JsonType::kObject) {
    return f.Fail(v, w, std::string("an object expected, found ") + JsonTypeName(v.type));
  }
  int64_t number = 0;
  const JsonValue* vars = nullptr;
  if (!f.Whole(v, w, "number", 1, kInt64Max, &number)) return false;
  if (number != static_cast<int64_t>(index + 1)) {
    return f.Fail(*v.Find("number"), w + ".number", "not " + std::to_string(index + 1) + ", its place in the list");
  }
  if (!f.Text(v, w, "label", &out->label) || !f.Text(v, w, "script", &out->script) ||
      !f.OptionalText(v, w, "library", &out->library) ||
      !f.OptionalText(v, w, "library_version", &out->library_version) ||
      !f.OptionalText(v, w, "library_file_version", &out->library_file_version) ||
      !f.OptionalText(v, w, "maxcpu", &out->maxcpu) || !f.OptionalText(v, w, "error", &out->error) ||
      // korbinet-compare's own limits.
      !f.Whole(v, w, "prefetch", 1, std::numeric_limits<int>::max(), true, &out->prefetch) ||
      !f.Whole(v, w, "memory_max_mb", 1, kInt64Max >> 20, true, &out->memory_max_mb) ||
      !f.Object(v, w, "vars", true, &vars)) {
    return false;
  }
  for (size_t i = 0; vars && i < vars->items.size(); ++i) {
    const JsonValue& value = vars->items[i];
    if (value.type != JsonType::kString) {
      return f.Fail(value, w + ".vars." + MessageText(vars->keys[i], 40), std::string("a text expected, found ") + JsonTypeName(value.type));
    }
    out->vars.emplace_back(vars->keys[i], value.text);
  }
  return ReadStats(f, v, w, &out->stats) && ReadComparison(f, v, w, &out->comparison) &&
         ReadStages(f, v, w, &out->stages);
}

bool ReadRound(Fields& f, const JsonValue& r, size_t index, size_t variants, CompareRound* out) {
  const std::string w = "rounds[" + std::to_string(index + 1) + "]";
  if (r.type != JsonType::kObject) {
    return f.Fail(r, w, std::string("an object expected, found ") + JsonTypeName(r.type));
  }
  int64_t variant = 0, block = 0, position = 0;
  const int64_t count = static_cast<int64_t>(std::max<size_t>(variants, 1));
  if (!f.Whole(r, w, "variant", 1, count, &variant) || !f.Whole(r, w, "block", 1, kInt64Max, &block) ||
      !f.Whole(r, w, "position", 1, count, &position) || !f.Flag(r, w, "warmup", &out->warmup) ||
      !f.Unsigned(r, w, "frames", &out->frames) || !f.Real(r, w, "wall_seconds", 0, false, &out->wall_seconds) ||
      !f.Real(r, w, "cpu_seconds", 0, false, &out->cpu_seconds) || !f.Real(r, w, "fps", 0, true, &out->fps) ||
      !f.Unsigned(r, w, "peak_memory_bytes", &out->peak_memory_bytes) ||
      !f.Whole(r, w, "threads", 0, kInt64Max, &out->threads) || !f.Flag(r, w, "outlier", &out->outlier)) {
    return false;
  }
  out->variant = static_cast<size_t>(variant);
  out->block = static_cast<size_t>(block);
  out->position = static_cast<size_t>(position);
  return true;
}

}  // namespace

bool LooksLikeJson(std::string_view content) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  const size_t first = content.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && content[first] == '{';
}

bool ParseCompareFile(const InputFile& file, CompareFile* result, std::string* error) {
  *result = CompareFile{};
  result->path = file.path;
  JsonValue root;
  if (!ParseJson(file, &root, error)) return false;
  Fields f(file, error);
  const JsonValue* program = nullptr;
  const JsonValue* name = nullptr;
  if (root.type != JsonType::kObject || !root.Find("schema") ||
      !(program = root.Find("program")) || program->type != JsonType::kObject ||
      !(name = program->Find("name")) || name->type != JsonType::kString || name->text != "korbinet-compare") {
    *error = InputError(file.path, 0, "not a result of korbinet-compare (no \"schema\" and \"program\": "
                                      "{\"name\": \"korbinet-compare\"})");
    return false;
  }
  const JsonValue& schema = *root.Find("schema");
  int64_t number = 0;
  if (!f.Whole(schema, "schema", 1, kInt64Max, &number)) return false;
  if (number > kCompareSchema) {
    return f.Fail(schema, "schema", std::to_string(number) + " is newer than this korbinet-report reads (" +
                                        std::to_string(kCompareSchema) + "); a later korbinet-report draws it");
  }
  const JsonValue* variants = nullptr;
  const JsonValue* rounds = nullptr;
  if (!f.Text(*program, "program", "version", &result->program_version) || !ReadMachine(f, root, &result->machine) ||
      !f.Array(root, "", "variants", &variants) || !f.Array(root, "", "rounds", &rounds)) {
    return false;
  }
  if (variants->items.size() > kMaxCompareVariants) {
    return f.Fail(*variants, "variants", "more than " + std::to_string(kMaxCompareVariants));
  }
  if (!ReadSettings(f, root, variants->items.size(), &result->settings)) return false;
  result->variants.resize(variants->items.size());
  for (size_t i = 0; i < variants->items.size(); ++i) {
    if (!ReadVariant(f, variants->items[i], i, &result->variants[i])) return false;
  }
  result->rounds.resize(rounds->items.size());
  for (size_t i = 0; i < rounds->items.size(); ++i) {
    if (!ReadRound(f, rounds->items[i], i, variants->items.size(), &result->rounds[i])) return false;
  }
  return true;
}

}  // namespace report
