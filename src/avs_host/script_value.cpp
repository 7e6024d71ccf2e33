#include "avs_host/script_value.h"

#include <charconv>

#include "text/text.h"

namespace avs_host {

namespace {

// The whole text must be the number, after one '+' at most: from_chars reads
// neither a '+' nor spaces, and ignores the locale.
template <class T>
bool ParseWhole(const std::string& text, T* value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, *value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

ScriptValue ParseScriptValue(const std::string& text) {
  ScriptValue value;
  std::string lower = text;
  text::ToLower(&lower);
  if (lower == "true" || lower == "false") {
    value.kind = ScriptValue::Kind::kBool;
    value.boolean = lower == "true";
  } else if (ParseWhole(text, &value.integer)) {
    value.kind = ScriptValue::Kind::kInt;
  } else if (double number = 0; ParseWhole(text, &number)) {
    // from_chars also takes "inf" and "nan", which the script language has
    // no literal for: those stay strings.
    const char last = text.back();
    if ((last >= '0' && last <= '9') || last == '.') {
      value.kind = ScriptValue::Kind::kFloat;
      value.number = number;
    } else {
      value.text = text;
    }
  } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    value.text = text.substr(1, text.size() - 2);
  } else {
    value.text = text;
  }
  return value;
}

ScriptValue StringScriptValue(const std::string& text) {
  ScriptValue value;
  value.text = text;
  return value;
}

ScriptValue IntScriptValue(int32_t integer) {
  ScriptValue value;
  value.kind = ScriptValue::Kind::kInt;
  value.integer = integer;
  return value;
}

}  // namespace avs_host
