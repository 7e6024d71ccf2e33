#include "compare/json_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace compare {
namespace {

TEST(JsonWriter, EscapesTextsAsData) {
  const struct { std::string in, out; } cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\" \\ %s", "\"say \\\"hi\\\" \\\\ %s\""},
      {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
      {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac\""},
      // Not UTF-8: a lone continuation byte, a cut sequence, an overlong
      // slash, a surrogate; each bad byte becomes U+FFFD.
      {"\x80x\xc3", "\"\\ufffdx\\ufffd\""},
      {"\xc0\xaf", "\"\\ufffd\\ufffd\""},
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonQuote(c.in), c.out) << c.in;
}

TEST(JsonWriter, NestsAndIndents) {
  JsonWriter w;
  w.BeginObject(), w.Key("n"), w.Number(0.1), w.Key("list"), w.BeginArray();
  w.Integer(-3), w.Unsigned(18446744073709551615ULL), w.Number(std::numeric_limits<double>::quiet_NaN());
  w.Number(-std::numeric_limits<double>::infinity()), w.Number(1e300), w.Bool(false), w.Null();
  w.BeginObject(), w.EndObject(), w.BeginArray(), w.EndArray(), w.EndArray();
  w.Key("k\"ey"), w.String("v"), w.EndObject();
  EXPECT_EQ(w.text(),
            "{\n  \"n\": 0.1,\n  \"list\": [\n"
            "    -3,\n    18446744073709551615,\n    null,\n    null,\n    1e+300,\n    false,\n    null,\n"
            "    {},\n    []\n  ],\n  \"k\\\"ey\": \"v\"\n}\n");
}

}  // namespace
}  // namespace compare
