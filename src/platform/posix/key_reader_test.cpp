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
  for (int guard = 0; guard < 100; ++guard) {
    EXPECT_TRUE(KeyWaitingOn(fds[0]));  // never a wait, even at the end
    int key = ReadKeyFrom(fds[0]);
    keys.push_back(key);
    if (key == kKeyEndOfInput) break;
  }
  close(fds[0]);
  return keys;
}

TEST(KeyReader, KeysFromAClosedPipe) {
  const int kEnd = kKeyEndOfInput;
  struct Case {
    const char* what;
    std::string input;
    std::vector<int> keys;
  } cases[] = {
      {"nothing", "", {kEnd}},
      {"plain bytes", "yN\n", {'y', 'N', '\n', kEnd}},
      {"lone Esc", "\x1b", {kKeyEscape, kEnd}},
      {"arrow up", "\x1b[A", {kKeySequence, kEnd}},
      {"arrow then key", "\x1b[Bq", {kKeySequence, 'q', kEnd}},
      {"function key with parameters", "\x1b[15;2~x", {kKeySequence, 'x', kEnd}},
      {"SS3 F1", "\x1bOPz", {kKeySequence, 'z', kEnd}},
      {"Alt+key", "\x1bx", {kKeySequence, kEnd}},
      {"cut sequence", "\x1b[1;", {kKeySequence, kEnd}},
      {"high byte", "\xe9", {0xE9, kEnd}},
  };
  for (const Case& c : cases) EXPECT_EQ(KeysOf(c.input), c.keys) << c.what;
}

TEST(KeyReader, EscFollowedLaterIsTwoKeys) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "\x1b", 1), 1);
  // Nothing follows while the reader waits: the Esc stands alone.
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEscape);
  EXPECT_FALSE(KeyWaitingOn(fds[0]));
  ASSERT_EQ(write(fds[1], "[A", 2), 2);
  EXPECT_EQ(ReadKeyFrom(fds[0]), '[');
  EXPECT_EQ(ReadKeyFrom(fds[0]), 'A');
  close(fds[1]);
  EXPECT_TRUE(KeyWaitingOn(fds[0]));
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEndOfInput);
  close(fds[0]);
}

TEST(KeyReader, ClosedDescriptorReadsAsEnd) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  close(fds[1]);
  EXPECT_TRUE(KeyWaitingOn(fds[0]));
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEndOfInput);
}

}  // namespace
}  // namespace platform::posix
