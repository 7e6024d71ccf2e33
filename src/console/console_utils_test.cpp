#include "console/console_utils.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "app/settings.h"
#include "console/key_prompt.h"
#include "platform/console.h"

namespace {

// Keeps the global width and settings of other tests untouched.
class ConsoleState : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_settings_ = g_settings;
    saved_width_ = g_utils.ConsoleWidth();
    g_settings.UseColor = 0;  // captured text must not hold colour codes
  }
  void TearDown() override {
    g_settings = saved_settings_;
    g_utils.SetConsoleWidthForTest(saved_width_);
  }
  Settings saved_settings_;
  int saved_width_ = 0;
};

TEST(FormatString, KeepsTextsUpTo4095CharactersAndDropsLongerOnes) {
  std::string a4095(4095, 'a');
  EXPECT_EQ(g_utils.FormatString("%s", a4095.c_str()), a4095);
  std::string a4096(4096, 'a');
  EXPECT_EQ(g_utils.FormatString("%s", a4096.c_str()), "");
  std::string a300(300, 'b');
  EXPECT_EQ(g_utils.FormatString("<%s|%d>", a300.c_str(), -7), "<" + a300 + "|-7>");
  const char* no_format = nullptr;
  EXPECT_EQ(g_utils.FormatString(no_format), "");
}

TEST(TextUtilities, TrimRemovesBlanksFromBothEndsOnly) {
  struct Case {
    const char* in;
    const char* out;
  } const cases[] = {
      {"  a b \t", "a b"}, {"\r\n-csv\n", "-csv"}, {" \t\r\n ", ""}, {"", ""},
      {"x", "x"},          {"\va\v", "\va\v"},     {"a\tb", "a\tb"},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    CUtils::Trim(s);
    EXPECT_EQ(s, c.out) << '[' << c.in << ']';
  }
}

TEST(TextUtilities, ToLowerChangesOnlyAsciiCapitals) {
  std::string s = "ABC-xyz_[@Z]\xC4\xD6";
  CUtils::ToLower(s);
  EXPECT_EQ(s, "abc-xyz_[@z]\xC4\xD6");
}

TEST(TextUtilities, NumericTextIsDigitsAndMinusSigns) {
  for (const char* yes : {"0", "007", "-", "1-2", "--5", "123456789012345678901234567890"}) {
    EXPECT_TRUE(CUtils::IsNumericText(yes)) << yes;
  }
  for (const char* no : {"", "+1", " 1", "1 ", "1.5", "1,2", "x", "0x10"}) {
    EXPECT_FALSE(CUtils::IsNumericText(no)) << no;
  }
}

TEST_F(ConsoleState, PadLineFillsToOneLessThanTheWidth) {
  g_utils.SetConsoleWidthForTest(10);
  EXPECT_EQ(g_utils.PadLine("abc"), "abc      ");
  EXPECT_EQ(g_utils.PadLine(""), std::string(9, ' '));
  EXPECT_EQ(g_utils.PadLine("123456789"), "123456789");
  EXPECT_EQ(g_utils.PadLine("1234567890123"), "1234567890123");
  g_utils.SetConsoleWidthForTest(0);
  EXPECT_EQ(g_utils.PadLine("abc"), "abc");
  EXPECT_EQ(g_utils.PadLine(""), "");
  // More than 999 spaces would be needed: left as it is.
  g_utils.SetConsoleWidthForTest(1000);
  EXPECT_EQ(g_utils.PadLine(""), std::string(999, ' '));
  g_utils.SetConsoleWidthForTest(1001);
  EXPECT_EQ(g_utils.PadLine(""), "");
}

TEST(TextUtilities, FileVersionFallsBackToZeros) {
  EXPECT_EQ(CUtils::FileVersionText("/nonexistent/libnothing.so.1.2"), "0.0.0.0");
  EXPECT_EQ(CUtils::FileVersionText(""), "2.1.6.0");
  EXPECT_EQ(g_utils.AnsiToOem("C:\xE4/x y"), "C:\xE4/x y");
}

TEST_F(ConsoleState, PrintGoesWholeToTheChosenStream) {
  std::string big(10000, 'z');
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  ConsolePrint(1, kColorValue, "[%s]", big.c_str());
  ConsolePrint(0, kColorError, "\nerr %d\n", 5);
  ConsolePrintText(0, kColorNone, "100% %s");
  const char* no_format = nullptr;
  ConsolePrint(1, kColorValue, no_format);
  std::string err = testing::internal::GetCapturedStderr();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[" + big + "]");
  EXPECT_EQ(err, "\nerr 5\n100% %s");
}

// A scripted keyboard: each poll pops one entry; 0 means no key waiting.
struct ScriptedKeys {
  std::deque<int> pending;
  int sleeps = 0;
  int reads = 0;
  KeySource Source() {
    KeySource s;
    s.sleep = [this](uint32_t) { ++sleeps; };
    s.hit = [this] {
      if (!pending.empty() && pending.front() == 0) {
        pending.pop_front();
        return false;
      }
      return !pending.empty();
    };
    s.read = [this] {
      ++reads;
      int key = pending.front();
      pending.pop_front();
      return key;
    };
    return s;
  }
};

TEST(AskYesNo, AnswersOnlyToYesNoKeysAndEndOfInput) {
  struct Case {
    std::deque<int> keys;
    bool answer;
    int reads;
  } const cases[] = {
      {{'y'}, true, 1},
      {{'Y'}, true, 1},
      {{'n'}, false, 1},
      {{'N'}, false, 1},
      {{0, 0, 'y'}, true, 1},
      {{platform::kKeyEscape, platform::kKeySequence, 'x', '\n', 'Y'}, true, 5},
      {{'q', platform::kKeyEndOfInput}, false, 2},
      {{platform::kKeyEndOfInput}, false, 1},
  };
  for (const auto& c : cases) {
    ScriptedKeys keys{c.keys};
    EXPECT_EQ(AskYesNoWith(50, keys.Source()), c.answer);
    EXPECT_EQ(keys.reads, c.reads);
  }
}

TEST_F(ConsoleState, ExitPauseOnlyWhenAskedAndLeavesTheKeyUnread) {
  g_utils.SetConsoleWidthForTest(6);
  ScriptedKeys keys{{0, 0, 'k'}};

  g_settings.PauseBeforeExit = 0;
  testing::internal::CaptureStderr();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(keys.sleeps, 0);

  g_settings.PauseBeforeExit = 1;
  testing::internal::CaptureStderr();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nPress any key to exit...\r     ");
  EXPECT_EQ(keys.sleeps, 3);
  EXPECT_EQ(keys.reads, 0);
  EXPECT_EQ(keys.pending.size(), 1u);

  g_settings.ConUseSTDOUT = 1;
  testing::internal::CaptureStdout();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nPress any key to exit...\r     ");
}

}  // namespace
