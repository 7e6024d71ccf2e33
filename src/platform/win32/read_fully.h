// Reading a file handle until a buffer is full or the file ends.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>

namespace platform::win32 {

// Reads into buffer until size bytes or the end of the file; *done is how
// many came. False (GetLastError set) when a read fails. A file that shrinks
// while it is read gives what was there.
inline bool ReadFully(HANDLE file, void* buffer, size_t size, size_t* done) {
  *done = 0;
  while (*done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - *done, 1 << 20));
    DWORD read = 0;
    if (!ReadFile(file, static_cast<char*>(buffer) + *done, chunk, &read, nullptr)) return false;
    if (read == 0) break;
    *done += read;
  }
  return true;
}

}  // namespace platform::win32
