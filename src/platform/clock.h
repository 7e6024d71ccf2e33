// Clocks and sleeping.
#pragma once

#include <cstdint>

namespace platform {

// The high-resolution monotonic counter and its frequency (counts per
// second); false when no such counter exists. Readings taken on any
// processor are comparable: where processors' counters may disagree, the
// back-end takes every reading on the first processor.
bool ReadCounter(int64_t* count);
bool CounterFrequency(int64_t* frequency);

// Milliseconds since an arbitrary start, truncated to 32 bits so that it
// wraps like the Windows tick.
uint32_t TickCount32();

// Sleeps ms milliseconds; 0 yields the processor.
void SleepMs(uint32_t ms);

}  // namespace platform
