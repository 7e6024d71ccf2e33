#include "platform/fault_guard.h"

#include <malloc.h>
#include <windows.h>

#include <mutex>

#include "platform/console.h"

namespace platform {

namespace {

constexpr DWORD kStackOverflow = 0xC00000FD;
// Room the system keeps for the handler once the stack has run out.
constexpr ULONG kStackGuarantee = 64 * 1024;

struct Guard {
  void* jump[5];  // __builtin_setjmp's buffer: no unwinding on the way back
  volatile DWORD code;
  Guard* previous;
};

// The guard lives in a TLS-API slot: MinGW's emulated thread_local lost a
// store the handler had to see. Program-wide because the vectored handler
// must find it from any thread.
DWORD guard_slot = TLS_OUT_OF_INDEXES;
// The handler is the process's, installed once for it.
std::once_flag handlers_installed;

Guard* ActiveGuard() {
  return guard_slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<Guard*>(TlsGetValue(guard_slot));
}

// Processor faults carry system codes; C++ exceptions (GCC's, MSVC's) and
// other software exceptions set the customer bit and pass by.
bool IsFault(DWORD code) { return (code & 0xC0000000) != 0 && (code & 0x20000000) == 0; }

[[noreturn]] void JumpBack(Guard* guard, DWORD code) {
  TlsSetValue(guard_slot, guard->previous);
  guard->code = code;
  __builtin_longjmp(guard->jump, 1);
}

// A fault nobody else handled; one the library handles itself never gets here.
LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* pointers) {
  DWORD code = pointers->ExceptionRecord->ExceptionCode;
  Guard* guard = ActiveGuard();
  if (guard != nullptr && IsFault(code)) JumpBack(guard, code);
  RestoreTerminal();
  return EXCEPTION_CONTINUE_SEARCH;
}

// A stack overflow never reaches the unhandled-exception filter: there is no
// stack left to search on. It alone is taken first.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* pointers) {
  if (pointers->ExceptionRecord->ExceptionCode != kStackOverflow) return EXCEPTION_CONTINUE_SEARCH;
  Guard* guard = ActiveGuard();
  if (guard != nullptr) JumpBack(guard, kStackOverflow);
  RestoreTerminal();
  return EXCEPTION_CONTINUE_SEARCH;
}

void InstallHandlersOnce() {
  guard_slot = TlsAlloc();
  SetUnhandledExceptionFilter(OnUnhandled);
  AddVectoredExceptionHandler(1, OnStackOverflow);
}

void CallDirect(void (*fn)(void*), void* context) { fn(context); }
// Called through a pointer the compiler cannot see through, so that no
// faulting instruction moves across the arming of the guard.
void (*volatile call_guarded)(void (*)(void*), void*) = CallDirect;

}  // namespace

void InstallFaultHandlers() {
  PrepareThreadForFaults();
  std::call_once(handlers_installed, InstallHandlersOnce);
}

void PrepareThreadForFaults() {
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
}

uint32_t RunGuarded(void (*fn)(void* context), void* context) {
  InstallFaultHandlers();
  Guard guard{};
  guard.previous = ActiveGuard();
  if (__builtin_setjmp(guard.jump) != 0) {
    // The handler has put the previous guard back.
    if (guard.code == kStackOverflow) _resetstkoflw();
    return guard.code;
  }
  TlsSetValue(guard_slot, &guard);
  try {
    call_guarded(fn, context);
  } catch (...) {
    TlsSetValue(guard_slot, guard.previous);
    throw;
  }
  TlsSetValue(guard_slot, guard.previous);
  return 0;
}

}  // namespace platform
