// The manual is shipped alone, so what it shows of korbinet-compare's output
// must be what the program writes: every JSON field, every form of the
// conclusion lines and the rounds' CSV header.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <iterator>

#include "compare/compare_json.h"
#include "compare/compare_texts.h"

namespace compare {
namespace {

// Empty when missing, and then every check fails.
std::string Manual() {
  std::ifstream in(KORBINET_MANUAL);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether the text holds the line whole: in a <pre>, between newlines or tags.
bool HasLine(const std::string& text, const std::string& line) {
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
    const size_t end = at + line.size();
    if (at > 0 && (text[at - 1] == '\n' || text[at - 1] == '>') && end < text.size() &&
        (text[end] == '\n' || text[end] == '<'))
      return true;
  }
  return false;
}

// Baseline "B" and variant "X" with the given comparison, as the program
// fills them after measuring.
CompareResult Pair(const Comparison& c, const std::string& x_error = "", const std::string& b_error = "") {
  CompareResult r;
  std::string error;
  EXPECT_TRUE(ParseCompareOptions({"--label", "B", "--label", "X", "b.avs", "x.avs"}, &r.options, &error)) << error;
  r.outcomes.resize(2);
  r.outcomes[0].error = b_error;
  r.outcomes[1].error = x_error;
  r.outcomes[1].comparison = c;
  return r;
}

Comparison With(double ratio, double low, double high, Verdict verdict) {
  return Comparison{.variant = 1, .ratio = ratio, .low = low, .high = high, .verdict = verdict};
}

TEST(CompareManual, ShowsEveryConclusionFormJsonFieldAndTheCsvHeader) {
  const std::string manual = Manual();
  const CompareResult cases[] = {
      Pair(With(1.62, 1.58, 1.66, Verdict::kFaster)),
      Pair(With(0.87, 0.84, 0.90, Verdict::kSlower)),
      Pair(With(1.004, 0.991, 1.017, Verdict::kSame)),
      Pair(With(1.01, 0.97, 1.05, Verdict::kUndecided)),
      Pair(With(1.01, kNaN, kNaN, Verdict::kUndecided)),
      Pair(Comparison{}, "Script error"),
      Pair(Comparison{}, "", "Script error"),
  };
  for (const CompareResult& r : cases) {
    std::string line = Conclusions(r);
    line.pop_back();
    EXPECT_TRUE(HasLine(manual, line)) << line;
  }
  CompareResult r = cases[0];
  r.rounds.push_back({1, 0, 0, 100, 1.0, 0.5, 1 << 20, 2});
  const std::string json = ResultJson(r);
  // A field shows as itself, or as a part of a dotted name.
  const std::regex key("\"([a-z_]+)\": ");
  std::set<std::string> keys;
  for (auto it = std::sregex_iterator(json.begin(), json.end(), key); it != std::sregex_iterator(); ++it)
    keys.insert((*it)[1]);
  EXPECT_GT(keys.size(), 40u);
  for (const std::string& k : keys) {
    EXPECT_TRUE(manual.find("<code>" + k + "</code>") != std::string::npos ||
                manual.find("<code>" + k + ".") != std::string::npos || manual.find("." + k + "</code>") != std::string::npos)
        << k;
  }
  std::string csv = RoundsCsv(CompareResult{});
  csv.pop_back();
  EXPECT_TRUE(HasLine(manual, csv)) << csv;
}

}  // namespace
}  // namespace compare
