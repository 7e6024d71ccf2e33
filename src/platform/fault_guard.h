// Turns synchronous processor faults on the calling thread into a return
// code, so that foreign code that faults does not end the process.
#pragma once

#include <cstdint>

namespace platform {

// Installs the fault handlers (signal handlers with an alternate signal
// stack; on Windows an unhandled-exception filter and a stack-overflow
// handler), so that a stack overflow is caught too. Call once at start;
// idempotent.
void InstallFaultHandlers();

// Sets up the calling thread's room for the handler after a stack overflow
// (the main thread's comes from InstallFaultHandlers).
void PrepareThreadForFaults();

// Runs fn(context). Returns 0 when it returned normally, or the Windows
// exception code of a fault raised on this thread while it ran
// (0xC0000005 access violation, 0xC00000FD stack overflow, 0xC0000094 integer
// divide by zero, ...). C++ exceptions thrown by fn pass through unchanged.
// Guards nest. A fault outside any guard, or on another thread, restores the
// terminal and ends the process as the signal would.
uint32_t RunGuarded(void (*fn)(void* context), void* context);

}  // namespace platform
