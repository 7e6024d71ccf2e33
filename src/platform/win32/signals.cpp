#include "platform/signals.h"

#include <windows.h>

#include <mutex>

namespace platform {

namespace {

// Program-wide because the console control handler, on a thread of the
// system's, must reach the event it signals; set up once per process.
HANDLE termination = nullptr;
std::once_flag held;

BOOL WINAPI OnControl(DWORD type) {
  SetEvent(termination);
  // Closing the console ends the process when this returns: the waiting
  // thread gets the time the system allows to clean up.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) Sleep(4000);
  return TRUE;
}

void HoldOnce() {
  termination = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Wait(DWORD ms) { return termination != nullptr && WaitForSingleObject(termination, ms) == WAIT_OBJECT_0; }

}  // namespace

void HoldTerminationSignals() { std::call_once(held, HoldOnce); }

bool WaitForTerminationSignal(int seconds) {
  HoldTerminationSignals();
  if (seconds < 0) return Wait(INFINITE);
  return WaitForTerminationSignalMs(static_cast<long long>(seconds) * 1000);
}

bool WaitForTerminationSignalMs(long long ms) {
  HoldTerminationSignals();
  // INFINITE is a DWORD value too: long waits go in slices below it.
  constexpr long long kSlice = 0x7FFFFFFF;
  for (;;) {
    long long part = ms < kSlice ? ms : kSlice;
    if (Wait(static_cast<DWORD>(part < 0 ? 0 : part))) return true;
    ms -= part;
    if (ms <= 0) return false;
  }
}

}  // namespace platform
