#include "report/html_text.h"

#include <gtest/gtest.h>

namespace report {
namespace {

TEST(EscapeHtml, LeavesNoMarkupAndOnlyWellFormedUtf8) {
  const struct { std::string text, html; } cases[] = {
      {"</script><script>alert('x')</script>",
       "&lt;/script&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
      {"a & b \"c\"\r\n\td", "a &amp; b &quot;c&quot;\n\td"},
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},  // UTF-8 kept as it is
      {"caf\xe9 \x80", "caf&#xE9; &#xFFFD;"},                   // 8-bit code page
      {"\xc3", "&#xC3;"},                                       // cut sequence
      {"\xc0\xaf", "&#xC0;&#xAF;"},                             // overlong
      {std::string("nul\0bell\a", 9), "nul&#xFFFD;bell&#xFFFD;"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeHtml(c.text), c.html) << c.text;
}

}  // namespace
}  // namespace report
