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

// Padding to one less than the width is checked on the summary and the prompts; here its cap.
TEST_F(ConsoleState, PadLineNeverAddsMoreThan999Spaces) {
  g_utils.SetConsoleWidthForTest(1000);
  EXPECT_EQ(g_utils.PadLine(""), std::string(999, ' '));
  g_utils.SetConsoleWidthForTest(1001);
  EXPECT_EQ(g_utils.PadLine(""), "");
}

TEST_F(ConsoleState, PrintGoesWholeToTheChosenStream) {
  std::string big(10000, 'z');
  const char* no_format = nullptr;
  CaptureStdout();
  CaptureStderr();
  ConsolePrint(1, kColorValue, "[%s]", big.c_str());
  ConsolePrintText(0, kColorNone, "100% %s");
  ConsolePrint(1, kColorValue, no_format);
  EXPECT_EQ(GetCapturedStderr(), "100% %s");
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

// Y after other keys and the end of input as a no are the end-to-end prompts' cases.
TEST(AskYesNo, AnswersOnlyToYesNoKeys) {
  const struct { std::deque<int> keys; bool answer; int reads; } cases[] = {
      {{0, platform::kKeyEscape, platform::kKeySequence, 'y'}, true, 3}, {{'x', 'N'}, false, 2},
  };
  for (const auto& c : cases) {
    ScriptedKeys keys{c.keys};
    EXPECT_EQ(AskYesNoWith(50, keys.Source()), c.answer);
    EXPECT_EQ(keys.reads, c.reads);
  }
}

// Its prompt on a terminal, its blanking and its end at the end of input are
// the end-to-end tests'; here the other stream and a key left unread.
TEST_F(ConsoleState, ExitPauseToStandardOutputLeavesTheKeyUnread) {
  g_utils.SetConsoleWidthForTest(6);
  g_utils.SetOptions({.use_color = 0, .pause_before_exit = 1, .to_stdout = 1});
  ScriptedKeys keys{{0, 0, 'k'}};
  CaptureStdout();
  WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(GetCapturedStdout(), "\nPress any key to exit...\r     ");
  EXPECT_EQ(keys.sleeps, 3);
  EXPECT_EQ(keys.reads, 0);
}

}  // namespace
