// Waiting for a request to end the process (SIGTERM, SIGINT on Linux; Ctrl+C,
// Ctrl+Break or closing the console on Windows).
#pragma once

namespace platform {

// Holds the termination signals back from the calling thread so that they
// are queued for WaitForTerminationSignal instead of ending the process at
// once. Call it early, before any other thread is started.
void HoldTerminationSignals();

// Waits until a termination signal arrives (true) or seconds have passed
// (false); seconds < 0 waits without limit. Holds the signals back first.
bool WaitForTerminationSignal(int seconds);
// The same with a limit in milliseconds (>= 0).
bool WaitForTerminationSignalMs(long long ms);

}  // namespace platform
