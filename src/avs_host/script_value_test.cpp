#include "avs_host/script_value.h"

#include <gtest/gtest.h>

namespace avs_host {
namespace {

using Kind = ScriptValue::Kind;

TEST(ScriptValue, TextTakesTheTypeTheScriptWouldGiveIt) {
  // number: the bool, int or float value.
  const struct { const char* text; Kind kind; double number; const char* string; } cases[] = {
      {"true", Kind::kBool, 1, ""},
      {"FALSE", Kind::kBool, 0, ""},
      {"truex", Kind::kString, 0, "truex"},
      {"-3", Kind::kInt, -3, ""},
      {"+12", Kind::kInt, 12, ""},
      {"2147483647", Kind::kInt, 2147483647, ""},
      {"2147483648", Kind::kFloat, 2147483648.0, ""},
      {"0.5", Kind::kFloat, 0.5, ""},
      {"1e3", Kind::kFloat, 1000, ""},
      {"inf", Kind::kString, 0, "inf"},
      {"1e", Kind::kString, 0, "1e"},
      {" 1", Kind::kString, 0, " 1"},
      {"++1", Kind::kString, 0, "++1"},
      {"\"12\"", Kind::kString, 0, "12"},
      {"\"", Kind::kString, 0, "\""},
      {"", Kind::kString, 0, ""},
      {"C:\\clips\\a b.avi", Kind::kString, 0, "C:\\clips\\a b.avi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ScriptValue value = ParseScriptValue(c.text);
    ASSERT_EQ(value.kind, c.kind);
    switch (c.kind) {
      case Kind::kBool: EXPECT_EQ(value.boolean, c.number != 0); break;
      case Kind::kInt: EXPECT_EQ(value.integer, c.number); break;
      case Kind::kFloat: EXPECT_EQ(value.number, c.number); break;
      case Kind::kString: EXPECT_EQ(value.text, c.string); break;
    }
  }
}

}  // namespace
}  // namespace avs_host
