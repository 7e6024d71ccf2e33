// Key reading on any descriptor, so that the terminal's key logic can be
// driven from a pipe in tests.
#pragma once

namespace platform::posix {

// True when a byte is waiting on fd, or fd is at its end or unusable.
bool KeyWaitingOn(int fd);

// One key from fd: a byte, kKeyEscape for a lone Esc, kKeySequence for a
// whole escape sequence, kKeyEndOfInput at the end or on a read error.
int ReadKeyFrom(int fd);

}  // namespace platform::posix
