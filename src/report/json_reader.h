// A strict JSON reader (RFC 8259) for the files korbinet-compare writes:
// the whole document as a tree of values, or a message naming the file and
// the line where it stops being JSON. Bounded, since a file may be anything:
// nesting depth, the number of values and the length of a string.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "report/input_file.h"

namespace report {

enum class JsonType { kNull, kBool, kNumber, kString, kArray, kObject };

struct JsonValue {
  JsonType type = JsonType::kNull;
  size_t line = 0;  // where the value starts, from 1
  bool boolean = false;
  double number = 0;  // always finite
  // A string's content (UTF-8, escapes resolved); a number's text as
  // written, so whole numbers beyond a double's precision read exactly.
  std::string text;
  std::vector<JsonValue> items;   // an array's elements, an object's values
  std::vector<std::string> keys;  // an object's keys, one per item, unique

  // The object's member named key, or null.
  const JsonValue* Find(std::string_view key) const;
};

struct JsonLimits {
  // A comparison's file nests four deep.
  size_t max_depth = 32;
  // A round takes 12 values: about 160,000 rounds, a day of 1-second
  // rounds for two variants, in some 200 MB of memory at most.
  size_t max_values = 2'000'000;
  // Script errors are the longest texts.
  size_t max_string_bytes = 1u << 20;
};

// The value's type as a message names it: "null", "true or false", ...
const char* JsonTypeName(JsonType type);

// False with *error as "<path>, line <n>: <what>". A UTF-8 byte order mark
// at the start is allowed; duplicate keys, comments, trailing commas, bytes
// that are not UTF-8 in strings and numbers beyond a double are not.
bool ParseJson(const InputFile& file, JsonValue* root, std::string* error,
               const JsonLimits& limits = {});

}  // namespace report
