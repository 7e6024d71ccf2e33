#include "platform/signals.h"

#include <cerrno>
#include <csignal>
#include <ctime>

namespace platform {

namespace {

sigset_t TerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void HoldTerminationSignals() {
  const sigset_t set = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool WaitForTerminationSignal(int seconds) {
  HoldTerminationSignals();
  const sigset_t set = TerminationSignals();
  if (seconds < 0) {
    for (;;) {
      if (sigwaitinfo(&set, nullptr) >= 0) return true;
      if (errno != EINTR) return false;
    }
  }
  return WaitForTerminationSignalMs(static_cast<long long>(seconds) * 1000);
}

bool WaitForTerminationSignalMs(long long ms) {
  HoldTerminationSignals();
  const sigset_t set = TerminationSignals();
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += static_cast<time_t>(ms / 1000);
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_nsec -= 1000000000L;
    ++deadline.tv_sec;
  }
  for (;;) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    timespec left{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
    if (left.tv_nsec < 0) {
      left.tv_nsec += 1000000000L;
      --left.tv_sec;
    }
    // Past the deadline a zero wait still takes a signal already queued.
    if (left.tv_sec < 0) left = timespec{0, 0};
    // A stray interruption (a stop and continue, say) must not cut the wait short.
    if (sigtimedwait(&set, nullptr, &left) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace platform
