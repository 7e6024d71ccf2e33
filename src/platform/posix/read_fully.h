// Reading a descriptor until a buffer is full or the file ends.
#pragma once

#include <cerrno>
#include <cstddef>

#include <unistd.h>

namespace platform::posix {

// Bytes read (fewer than size at the end of the file), or -1 with errno set.
// A file that shrinks while it is read gives what was there.
inline ssize_t ReadFully(int fd, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, static_cast<char*>(buffer) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace platform::posix
