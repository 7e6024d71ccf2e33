#include "console/console_utils.h"

#include <gtest/gtest.h>

#include <deque>

#include "console/key_prompt.h"
#include "platform/console.h"

namespace {

using namespace testing::internal;  // output capture

// Keeps the global width and options of other tests untouched.
class ConsoleState : public ::testing::Test {
 protected:
  void SetUp() override { g_utils.SetOptions({.use_color = 0}); }  // captures hold no colour codes
  void TearDown() override {
    g_utils.SetOptions(saved_options_);
    g_utils.SetConsoleWidthForTest(saved_width_);
  }
  ConsoleOptions saved_options_ = g_utils.Options();
  int saved_width_ = g_utils.ConsoleWidth();
};

TEST(TextUtilities, FormatStringKeepsUpTo4095Characters) {
  std::string a4095(4095, 'a');
  EXPECT_EQ(g_utils.FormatString("%s", a4095.c_str()), a4095);
  EXPECT_EQ(g_utils.FormatString("%s", (a4095 + "a").c_str()), "");
  EXPECT_EQ(g_utils.FormatString("<%s|%d>", a4095.substr(300).c_str(), -7).size(), 3800u);
  const char* no_format = nullptr;
  EXPECT_EQ(g_utils.FormatString(no_format), "");
}

TEST_F(ConsoleState, PadLineFillsToOneLessThanTheWidth) {
  const struct { int width; std::string text, padded; } cases[] = {
      {10, "abc", "abc      "}, {10, "123456789", "123456789"},
      {10, "1234567890123", "1234567890123"}, {0, "abc", "abc"},
      {1000, "", std::string(999, ' ')}, {1001, "", ""},  // never more than 999 spaces
  };
  for (const auto& c : cases) {
    g_utils.SetConsoleWidthForTest(c.width);
    EXPECT_EQ(g_utils.PadLine(c.text), c.padded) << c.width << " [" << c.text << ']';
  }
}

TEST_F(ConsoleState, PrintGoesWholeToTheChosenStream) {
  std::string big(10000, 'z');
  const char* no_format = nullptr;
  CaptureStdout();
  CaptureStderr();
  ConsolePrint(1, kColorValue, "[%s]", big.c_str());
  ConsolePrint(0, kColorError, "\nerr %d\n", 5);
  ConsolePrintText(0, kColorNone, "100% %s");
  ConsolePrint(1, kColorValue, no_format);
  EXPECT_EQ(GetCapturedStderr(), "\nerr 5\n100% %s");
  EXPECT_EQ(GetCapturedStdout(), "[" + big + "]");
}

// A scripted keyboard: each poll takes one entry; 0 means no key waiting.
struct ScriptedKeys {
  std::deque<int> pending;
  int sleeps = 0, reads = 0;
  int Take() {
    const int key = pending.front();
    return pending.pop_front(), key;
  }
  KeySource Source() {
    return KeySource{[this](uint32_t) { ++sleeps; },
                     [this] { return !pending.empty() && (pending.front() != 0 || Take()); },
                     [this] { return ++reads, Take(); }};
  }
};

TEST(AskYesNo, AnswersOnlyToYesNoKeysAndEndOfInput) {
  using platform::kKeyEndOfInput;
  const struct { std::deque<int> keys; bool answer; int reads; } cases[] = {
      {{'Y'}, true, 1}, {{'n'}, false, 1},
      {{0, 0, 'y'}, true, 1},
      {{platform::kKeyEscape, platform::kKeySequence, 'x', '\n', 'Y'}, true, 5},
      {{'q', kKeyEndOfInput}, false, 2},
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
  CaptureStderr();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(keys.sleeps, 0);

  g_utils.SetOptions({.use_color = 0, .pause_before_exit = 1});
  CaptureStderr();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(GetCapturedStderr(), "\nPress any key to exit...\r     ");
  EXPECT_EQ(keys.sleeps, 3);
  EXPECT_EQ(keys.reads, 0);

  g_utils.SetOptions({.use_color = 0, .pause_before_exit = 1, .to_stdout = 1});
  CaptureStdout();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(GetCapturedStdout(), "\nPress any key to exit...\r     ");
}

}  // namespace
