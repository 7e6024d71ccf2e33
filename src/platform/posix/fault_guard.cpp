#include "platform/fault_guard.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "platform/console.h"

namespace platform {

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr size_t kAltStackBytes = 64 * 1024;
// A fault this close to the lowest usable stack address is taken as the
// stack running out. Generous below the limit, since one large frame can
// jump over the guard area.
constexpr uintptr_t kOverflowMarginAbove = 64 * 1024;
constexpr uintptr_t kOverflowMarginBelow = 1024 * 1024;

// Read by the signal handler: trivial types only, so no lazy TLS wrappers.
thread_local sigjmp_buf* active_guard = nullptr;
thread_local uintptr_t stack_low = 0;
thread_local bool thread_prepared = false;

// Owns the alternate signal stack of a thread and takes it down at thread end.
struct AltStack {
  void* memory = nullptr;
  ~AltStack() {
    if (memory == nullptr) return;
    stack_t disable{};
    disable.ss_flags = SS_DISABLE;
    sigaltstack(&disable, nullptr);
    std::free(memory);
  }
};
// Per thread: the handler runs on it when the thread's stack is exhausted.
thread_local AltStack alt_stack;

// The handlers are the process's, installed once for it.
std::once_flag handlers_installed;

bool IsStackOverflow(const siginfo_t* info, const void* context) {
  if (stack_low == 0) return false;
  auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  if (address + kOverflowMarginBelow >= stack_low && address < stack_low + kOverflowMarginAbove) return true;
#if defined(__x86_64__)
  // A push or call fault may report an address the margin misses; the stack
  // pointer itself tells then.
  auto sp = static_cast<uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RSP]);
  return sp < stack_low + 4096 && sp + kOverflowMarginBelow >= stack_low;
#else
  (void)context;
  return false;
#endif
}

uint32_t ExceptionCode(int signal_number, const siginfo_t* info, const void* context) {
  switch (signal_number) {
    case SIGSEGV:
      return IsStackOverflow(info, context) ? 0xC00000FD : 0xC0000005;
    case SIGBUS:
      return info->si_code == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV: return 0xC0000094;
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        case FPE_FLTOVF: return 0xC0000091;
        case FPE_FLTUND: return 0xC0000093;
        case FPE_FLTRES: return 0xC000008F;
        case FPE_FLTINV: return 0xC0000090;
        case FPE_FLTSUB: return 0xC000008C;
        default: return 0xC0000090;
      }
    default:  // SIGILL
      return (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG) ? 0xC0000096 : 0xC000001D;
  }
}

void OnFault(int signal_number, siginfo_t* info, void* context) {
  sigjmp_buf* guard = active_guard;
  // Only a fault of this thread's own code is caught; a signal sent by
  // another process (si_code <= 0) is not a fault of the guarded call.
  if (guard != nullptr && info->si_code > 0) {
    active_guard = nullptr;
    siglongjmp(*guard, static_cast<int>(ExceptionCode(signal_number, info, context)));
  }
  RestoreTerminal();
  struct sigaction fallback{};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  // A real fault repeats on return and ends the process with the signal; a
  // sent one has to be raised again (it is delivered once the handler returns).
  if (info->si_code <= 0) raise(signal_number);
}

void InstallHandlersOnce() {
  for (int signal_number : kFaultSignals) {
    struct sigaction action{};
    action.sa_sigaction = OnFault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

void InstallFaultHandlers() {
  PrepareThreadForFaults();
  std::call_once(handlers_installed, InstallHandlersOnce);
}

void PrepareThreadForFaults() {
  if (thread_prepared) return;
  thread_prepared = true;

  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attributes, &low, &size) == 0) stack_low = reinterpret_cast<uintptr_t>(low);
    pthread_attr_destroy(&attributes);
  }

  size_t bytes = std::max<size_t>(kAltStackBytes, static_cast<size_t>(SIGSTKSZ));
  alt_stack.memory = std::malloc(bytes);
  if (alt_stack.memory == nullptr) return;
  stack_t stack{};
  stack.ss_sp = alt_stack.memory;
  stack.ss_size = bytes;
  if (sigaltstack(&stack, nullptr) != 0) {
    std::free(alt_stack.memory);
    alt_stack.memory = nullptr;
  }
}

uint32_t RunGuarded(void (*fn)(void* context), void* context) {
  // Guarding works on any thread and before the explicit install.
  InstallFaultHandlers();
  sigjmp_buf guard;
  sigjmp_buf* const previous = active_guard;
  // The signal mask is saved so that the fault signal, blocked while its
  // handler runs, is unblocked again after the jump.
  int code = sigsetjmp(guard, 1);
  if (code != 0) {
    active_guard = previous;
    return static_cast<uint32_t>(code);
  }
  active_guard = &guard;
  try {
    fn(context);
  } catch (...) {
    active_guard = previous;
    throw;
  }
  active_guard = previous;
  return 0;
}

}  // namespace platform
