// Clocks, sleeping and processor affinity.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

// High-resolution monotonic counter and its frequency (counts per second).
// Both return false when no such counter exists.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* frequency);

// Milliseconds since an arbitrary start, truncated to 32 bits so that it
// wraps like the Windows tick.
uint32_t TickCount32();

// Sleeps ms milliseconds; 0 yields the processor.
void SleepMs(uint32_t ms);

// Opaque copy of a thread's processor mask.
struct AffinityMask {
  std::array<uint64_t, 16> bits{};
  bool valid = false;
};

// Pins the calling thread to the first processor; returns the previous mask.
AffinityMask PinThreadToFirstProcessor();
// Gives the calling thread back a mask from PinThreadToFirstProcessor.
void RestoreThreadAffinity(const AffinityMask& previous);

}  // namespace platform
