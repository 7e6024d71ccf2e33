#include "platform/posix/key_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/console.h"

namespace platform::posix {

namespace {

// Bytes of one sequence arrive together; a gap this long means the user
// pressed Esc alone.
constexpr int kSequenceGapMs = 25;
// Longer CSI sequences do not exist; the cap keeps a stream of parameter
// bytes from holding the reader forever.
constexpr int kMaxSequenceBytes = 32;

bool WaitForByte(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  for (;;) {
    int n = poll(&entry, 1, timeout_ms);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 && (entry.revents & POLLIN);
  }
}

// 0 at the end of input, -1 on error, else 1.
int ReadByte(int fd, unsigned char* byte) {
  for (;;) {
    ssize_t n = read(fd, byte, 1);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<int>(n);
  }
}

// The next byte of a sequence, or -1 when none follows in time.
int NextSequenceByte(int fd) {
  unsigned char byte;
  if (!WaitForByte(fd, kSequenceGapMs) || ReadByte(fd, &byte) != 1) return -1;
  return byte;
}

void SkipRestOfSequence(int fd, int introducer) {
  if (introducer == 'O') {
    NextSequenceByte(fd);  // SS3: exactly one final byte
    return;
  }
  if (introducer != '[') return;  // Alt+key: ESC and one byte
  // CSI: parameter and intermediate bytes (0x20-0x3F), then one final byte
  // (0x40-0x7E).
  for (int count = 0; count < kMaxSequenceBytes; ++count) {
    int byte = NextSequenceByte(fd);
    if (byte < 0x20 || byte > 0x3F) return;
  }
}

}  // namespace

bool KeyWaitingOn(int fd) {
  pollfd entry{fd, POLLIN, 0};
  int n;
  do {
    n = poll(&entry, 1, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return true;  // the read will report the failure as the end
  return n > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL));
}

int ReadKeyFrom(int fd) {
  unsigned char byte;
  if (ReadByte(fd, &byte) != 1) return kKeyEndOfInput;
  if (byte != kKeyEscape) return byte;
  int introducer = NextSequenceByte(fd);
  if (introducer < 0) return kKeyEscape;
  SkipRestOfSequence(fd, introducer);
  return kKeySequence;
}

}  // namespace platform::posix
