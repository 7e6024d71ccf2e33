#include "compare_worker/worker_protocol.h"

#include <gtest/gtest.h>

namespace compare_worker {
namespace {

TEST(WorkerProtocol, FieldsAndLinesRoundTripThroughEscapes) {
  const std::string raw = "C:\\clips\\a\tb\nline\r\\t";
  EXPECT_EQ(EscapeField(raw), "C:\\\\clips\\\\a\\tb\\nline\\r\\\\t");
  EXPECT_EQ(UnescapeField(EscapeField(raw)), raw);
  // Damaged escapes stay as they arrived.
  EXPECT_EQ(UnescapeField("a\\qb") + "|" + UnescapeField("end\\"), "a\\qb|end\\");
  const std::vector<std::string> fields = {"var", "name", "a\tb\\", ""};
  const std::string line = JoinFields(fields);
  EXPECT_EQ(line, "var\tname\ta\\tb\\\\\t\n");
  EXPECT_EQ(SplitFields(line.substr(0, line.size() - 1)), fields);
  EXPECT_EQ(SplitFields(""), std::vector<std::string>{""});
}

TEST(WorkerProtocol, SecondsKeepNineDigits) {
  EXPECT_EQ(SecondsField(1.0 / 3.0) + "|" + SecondsField(2.0) + "|" + SecondsField(12345678901.0),
            "0.333333333|2|1.23456789e+10");
}

}  // namespace
}  // namespace compare_worker
