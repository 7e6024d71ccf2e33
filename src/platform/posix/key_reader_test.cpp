#include "platform/posix/key_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/console.h"

namespace platform::posix {
namespace {

// Keys read from a pipe that holds input and is then closed.
std::vector<int> KeysOf(const std::string& input) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(fds[1]);
  std::vector<int> keys;
  while (keys.size() < 100 && (keys.empty() || keys.back() != kKeyEndOfInput)) {
    EXPECT_TRUE(KeyWaitingOn(fds[0]));  // never a wait, even at the end
    keys.push_back(ReadKeyFrom(fds[0]));
  }
  close(fds[0]);
  return keys;
}

TEST(KeyReader, KeysFromAClosedPipe) {
  const int kEnd = kKeyEndOfInput, kSeq = kKeySequence;
  struct Case { const char* what; std::string input; std::vector<int> keys; } cases[] = {
      {"nothing", "", {kEnd}},
      {"plain bytes", "yN\n", {'y', 'N', '\n', kEnd}},
      {"lone Esc", "\x1b", {kKeyEscape, kEnd}},
      {"arrow then key", "\x1b[Bq", {kSeq, 'q', kEnd}},
      {"function key with parameters", "\x1b[15;2~x", {kSeq, 'x', kEnd}},
      {"SS3 F1", "\x1bOPz", {kSeq, 'z', kEnd}},
      {"Alt+key", "\x1bx", {kSeq, kEnd}},
      {"cut sequence", "\x1b[1;", {kSeq, kEnd}},
      {"high byte", "\xe9", {0xE9, kEnd}},
  };
  for (const Case& c : cases) EXPECT_EQ(KeysOf(c.input), c.keys) << c.what;
}

TEST(KeyReader, EscFollowedLaterIsTwoKeys) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "\x1b", 1), 1);
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEscape);  // nothing followed while the reader waited
  EXPECT_FALSE(KeyWaitingOn(fds[0]));
  ASSERT_EQ(write(fds[1], "[A", 2), 2);
  EXPECT_EQ(ReadKeyFrom(fds[0]), '[');
  EXPECT_EQ(ReadKeyFrom(fds[0]), 'A');
  close(fds[1]), close(fds[0]);
  EXPECT_TRUE(KeyWaitingOn(fds[0]));  // a closed descriptor reads as the end
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEndOfInput);
}

}  // namespace
}  // namespace platform::posix
