// Real faults for failure tests. Each raising function keeps objects with
// destructors in scope, as ordinary filter code would, and uses volatile
// data so that the optimiser cannot drop or predict the fault.
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <excpt.h>
#endif

#include "clips.h"
#include "platform/compiler.h"

namespace {

// Thrown for "other": a type no host can know.
struct FrameServerInternalFault {
  int frame;
};

// An object with a destructor, as filter code has in scope; it owns no
// memory, so skipping its destructor when the fault unwinds leaks nothing.
// Its sink is program-wide and volatile only so that the store is kept.
volatile int g_scope_sink = 0;
struct InScope {
  int frame;
  ~InScope() { g_scope_sink = frame; }
};

// Volatile and program-wide so that the compiler cannot see through them and
// drop the faults they make.
volatile int g_zero = 0;
int* volatile g_null = nullptr;
volatile int g_never = -1;

// The checks of the undefined-behaviour sanitizer would stop these faults
// before the processor raises them, which is the point of the exercise.
KORBINET_NOINLINE KORBINET_NO_UBSAN int Divide(int frame) {
  InScope in_scope{frame};
  const int result = frame / g_zero;
  return result + in_scope.frame;
}

KORBINET_NOINLINE KORBINET_NO_UBSAN void Access(int frame) {
  InScope in_scope{frame};
  *g_null = frame + in_scope.frame;
}

KORBINET_NOINLINE int Recurse(int depth) {
  InScope in_scope{depth};
  volatile char block[1024];
  block[depth % 1024] = static_cast<char>(depth);
  if (depth == g_never) return 0;
  return Recurse(depth + 1) + block[0] + in_scope.frame;
}

#ifdef _WIN32
volatile LONG g_caught = 0;

// The filter of the frame-based handler below, as an MSVC-built library's
// __except would have: it takes access violations only, so that anything
// else still reaches the host.
extern "C" LONG CaughtFaultFilter(EXCEPTION_POINTERS* pointers, void*) {
  if (pointers->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
  g_caught = 1;
  return EXCEPTION_EXECUTE_HANDLER;
}

// __try1 registers the scope with __C_specific_handler in this function's
// unwind data: a handler found by walking the frames, which a vectored
// handler would run before. Its labels are fixed, so it may appear only once
// in this file, and nothing here may need C++ unwinding (GCC would want a
// handler of its own). After the handler the code resumes past __except1 with
// only memory and the registers the ABI preserves to go by, hence the flag,
// and noipa: GCC would otherwise let the caller keep values in registers it
// saw this function leave alone, which the jump back does not.
__attribute__((noipa)) bool AccessCaught(int frame) {
  g_caught = 0;
  __try1(CaughtFaultFilter)
  Access(frame);
  __except1
  return g_caught != 0;
}
#endif

}  // namespace

void RaiseFault(FaultKind kind, int frame, IScriptEnvironment* env) {
  InScope in_scope{frame};
  switch (kind) {
    case FaultKind::kDivide: g_zero = Divide(frame); break;
    case FaultKind::kAccess: Access(frame); break;
    case FaultKind::kStack: g_zero = Recurse(0); break;
    case FaultKind::kError: env->ThrowError("Fault at frame %d", frame); break;
    case FaultKind::kOther: throw FrameServerInternalFault{frame};
    case FaultKind::kCaught:
#ifdef _WIN32
      if (AccessCaught(frame)) env->ThrowError("Fault at frame %d caught", frame);
#endif
      break;
  }
}
