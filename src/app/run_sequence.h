// The program from entry to exit: every step, every early exit and its
// status.
#pragma once

namespace app {

// Returns the process exit status (0, or -1 for every error).
int RunKorbinet(int argc, char** argv);

}  // namespace app
