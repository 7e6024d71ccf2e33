#include "platform/clock.h"

#include <windows.h>

namespace platform {

// Each reading is taken on the first processor: on some machines the
// processors' counters disagree, and a thread moved between two readings
// would see time run backwards. The yields let the scheduler move the thread
// at once, before the reading and after the restore.
bool ReadCounter(int64_t* count) {
  HANDLE thread = GetCurrentThread();
  DWORD_PTR previous = SetThreadAffinityMask(thread, 1);
  Sleep(0);
  LARGE_INTEGER now;
  BOOL ok = QueryPerformanceCounter(&now);
  if (previous != 0) SetThreadAffinityMask(thread, previous);
  Sleep(0);
  if (!ok) return false;
  *count = now.QuadPart;
  return true;
}

bool CounterFrequency(int64_t* frequency) {
  LARGE_INTEGER value;
  if (!QueryPerformanceFrequency(&value) || value.QuadPart <= 0) return false;
  *frequency = value.QuadPart;
  return true;
}

uint32_t TickCount32() { return GetTickCount(); }

void SleepMs(uint32_t ms) { Sleep(ms); }

}  // namespace platform
