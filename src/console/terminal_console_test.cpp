#include "console/terminal_console.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/console.h"

namespace console {

namespace {

using namespace testing::internal;  // output capture

// Padding to one less than the width is checked on the summary and the prompts, and which stream a text
// goes to, whole and as data, by the end-to-end runs; here the padding's cap.
TEST(TerminalConsole, PadLineNeverAddsMoreThan999Spaces) {
  platform::Keyboard keyboard;
  TerminalConsole console({}, keyboard);
  console.SetWidthForTest(1000);
  EXPECT_EQ(PadLine(console, ""), std::string(999, ' '));
  console.SetWidthForTest(1001);
  EXPECT_EQ(PadLine(console, ""), "");
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
TEST(TerminalConsole, ExitPauseToStandardOutputLeavesTheKeyUnread) {
  platform::Keyboard keyboard;
  TerminalConsole console({.use_color = false, .pause_before_exit = true, .to_stdout = true}, keyboard);
  console.SetWidthForTest(6);
  ScriptedKeys keys{{0, 0, 'k'}};
  CaptureStdout();
  console.WaitAnyKeyWith(keys.Source());
  EXPECT_EQ(GetCapturedStdout(), "\nPress any key to exit...\r     ");
  EXPECT_EQ(keys.sleeps, 3);
  EXPECT_EQ(keys.reads, 0);
}

}  // namespace

}  // namespace console
