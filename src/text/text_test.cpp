#include "text/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, FormatGivesNothingPastItsBound) {
  EXPECT_EQ(text::Format("%s|%d", std::string(4093, 'a').c_str(), 7).size(), 4095u);
  EXPECT_EQ(text::Format("%s|%d", std::string(4094, 'a').c_str(), 7).size(), 0u);
}

TEST(Text, TrimLowerAndNumericTest) {
  const struct { const char* in; const char* trimmed_lower; bool numeric; } cases[] = {
      {" \t-Range=5\r\n", "-range=5", false}, {"12-3", "12-3", true}, {"", "", false},
      {" 12", "12", false},                    {"+1", "+1", false},   {"\xC4Z", "\xC4z", false},
  };
  for (const auto& c : cases) {
    std::string value = c.in;
    text::Trim(&value);
    text::ToLower(&value);
    EXPECT_EQ(value, c.trimmed_lower) << c.in;
    EXPECT_EQ(text::IsNumeric(c.in), c.numeric) << c.in;
  }
}

}  // namespace
