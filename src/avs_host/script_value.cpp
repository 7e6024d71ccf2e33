#include "avs_host/script_value.h"

#include <charconv>

namespace avs_host {

namespace {

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return i == text.size();
}

// The whole text must be the number; from_chars reads neither a leading '+'
// nor spaces, and ignores the locale.
template <class T>
bool ParseWhole(const std::string& text, T* value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || *begin == '+' || *begin == ' ') return false;
  const auto [ptr, ec] = std::from_chars(begin, end, *value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

ScriptValue ParseScriptValue(const std::string& text) {
  ScriptValue value;
  if (EqualsIgnoringCase(text, "true") || EqualsIgnoringCase(text, "false")) {
    value.kind = ScriptValue::Kind::kBool;
    value.boolean = text.size() == 4;
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
