// The program from entry to exit: every step, every early exit and its
// status.
#pragma once

namespace platform {
class Keyboard;
}  // namespace platform

namespace app {

// Returns the process exit status (0, or -1 for every error). The keyboard
// is the process's one, made by main.
int RunKorbinet(int argc, char** argv, platform::Keyboard& keyboard);

}  // namespace app
