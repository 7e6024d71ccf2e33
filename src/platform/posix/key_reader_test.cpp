#include "platform/posix/key_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/console.h"

namespace platform::posix {
namespace {

// Keys up to the end of input, each one there without a wait, even the end.
std::vector<int> KeysUntilEnd(int fd) {
  std::vector<int> keys;
  while (keys.size() < 100 && (keys.empty() || keys.back() != kKeyEndOfInput)) {
    EXPECT_TRUE(KeyWaitingOn(fd));
    keys.push_back(ReadKeyFrom(fd));
  }
  return keys;
}

TEST(KeyReader, KeysFromAClosedPipe) {
  const int kEnd = kKeyEndOfInput, kSeq = kKeySequence;
  struct Case { std::string input; std::vector<int> keys; } cases[] = {
      {"", {kEnd}}, {"yN\n", {'y', 'N', '\n', kEnd}}, {"\xe9", {0xE9, kEnd}},
      {"\x1b", {kKeyEscape, kEnd}}, {"\x1bx", {kSeq, kEnd}},  // Alt+x
      {"\x1b[Bq", {kSeq, 'q', kEnd}}, {"\x1b[15;2~x", {kSeq, 'x', kEnd}}, {"\x1bOPz", {kSeq, 'z', kEnd}},
      {"\x1b[1;", {kSeq, kEnd}},  // cut short
  };
  for (const Case& c : cases) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], c.input.data(), c.input.size()), static_cast<ssize_t>(c.input.size()));
    close(fds[1]);
    EXPECT_EQ(KeysUntilEnd(fds[0]), c.keys) << c.input;
    close(fds[0]);
  }
}

TEST(KeyReader, EscFollowedLaterIsTwoKeys) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "\x1b", 1), 1);
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEscape);  // nothing followed while the reader waited
  EXPECT_FALSE(KeyWaitingOn(fds[0]));
  ASSERT_EQ(write(fds[1], "[A", 2), 2);
  close(fds[1]);
  EXPECT_EQ(KeysUntilEnd(fds[0]), (std::vector<int>{'[', 'A', kKeyEndOfInput}));
  close(fds[0]);
  EXPECT_TRUE(KeyWaitingOn(fds[0]));  // a closed descriptor reads as the end
  EXPECT_EQ(ReadKeyFrom(fds[0]), kKeyEndOfInput);
}

}  // namespace
}  // namespace platform::posix
