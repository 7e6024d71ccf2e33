#include "report/json_reader.h"

#include <gtest/gtest.h>

namespace report {
namespace {

// The reader's message; "" when it takes the text.
std::string Parse(const std::string& text, JsonValue* root, const JsonLimits& limits = {}) {
  std::string error;
  return ParseJson(InputFile{"r.json", text}, root, &error, limits) ? "" : error;
}

TEST(JsonReader, ReadsValuesEscapesAndLines) {
  JsonValue root;
  ASSERT_EQ(Parse("\xEF\xBB\xBF{\"a\": [1, -0.5e2, 18446744073709551615],\n"
                  " \"s\": \"q\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\xC3\xA4\",\n\n \"t\": true, \"n\": null}",
                  &root),
            "");
  ASSERT_EQ(root.type, JsonType::kObject);
  EXPECT_EQ(root.keys, (std::vector<std::string>{"a", "s", "t", "n"}));
  const JsonValue& a = *root.Find("a");
  ASSERT_EQ(a.items.size(), 3u);
  EXPECT_EQ(a.items[1].number, -50);
  // Whole numbers keep their text, beyond a double's precision.
  EXPECT_EQ(a.items[2].text, "18446744073709551615");
  EXPECT_EQ(root.Find("s")->text, "q\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xC3\xA4");
  EXPECT_TRUE(root.Find("s")->line == 2 && root.Find("t")->line == 4 && root.Find("t")->boolean);
  EXPECT_TRUE(root.Find("n")->type == JsonType::kNull && root.Find("x") == nullptr);
}

TEST(JsonReader, RefusesWhatIsNotStrictJsonNamingTheLine) {
  const struct { std::string text, message; } cases[] = {
      {"", "r.json, line 1: the file is empty"},
      {" \n ", "r.json, line 2: holds no JSON value"},
      {"{\"a\": 1,\n}", "r.json, line 2: a comma before '}'"},
      {"[1 2]", "r.json, line 1: ',' or ']' expected, found '2'"},
      {"{\"a\" 1}", "r.json, line 1: ':' expected after the key \"a\""},
      {"{a: 1}", "r.json, line 1: a key in quotes expected, found 'a'"},
      {"{\"a\": 1, \"a\": 2}", "r.json, line 1: the key \"a\" twice in one object"},
      {"[1]\n// note", "r.json, line 2: more after the document's end: '/'"},
      {"[NaN]", "r.json, line 1: a value expected, found 'N'"},
      {"[tru]", "r.json, line 1: a value expected, found 't'"},
      {"[01]", "r.json, line 1: not a JSON number: 01"},
      {"[1.]", "r.json, line 1: not a JSON number: 1."},
      {"[-]", "r.json, line 1: not a JSON number: -"},
      {"[1e999]", "r.json, line 1: a number beyond the range of a double: 1e999"},
      {"[\"a\tb\"]", "r.json, line 1: a control character (byte 0x09) in a string"},
      {"[\"\\x\"]", "r.json, line 1: an unknown escape \\'x' in a string"},
      {"[\"\\u12\"]", "r.json, line 1: \\u needs four hex digits"},
      {"[\"\\ud800x\"]", "r.json, line 1: a \\u escape of a lone high surrogate"},
      {"[\"\\udc00\"]", "r.json, line 1: a \\u escape of a lone low surrogate"},
      {"[\"\xC0\xAF\"]", "r.json, line 1: a string that is not UTF-8 (byte 0xC0)"},
      {"[\"abc", "r.json, line 1: the file ends inside a string"},
      {"{\"a\": [1,\n", "r.json, line 2: the file ends where a value should follow"},
      {"{\"a\": 1", "r.json, line 1: the file ends inside an object"},
      {"[[[1]]]", "r.json, line 1: nested deeper than 2 levels"},
      {"[1, 2, 3]", "r.json, line 1: more than 3 values"},
      {"[\"abcdefghi\"]", "r.json, line 1: a string longer than 8 bytes"},
  };
  const JsonLimits small{.max_depth = 2, .max_values = 3, .max_string_bytes = 8};
  for (const auto& c : cases) {
    JsonValue root;
    EXPECT_EQ(Parse(c.text, &root, small), c.message) << c.text;
  }
}

}  // namespace
}  // namespace report
