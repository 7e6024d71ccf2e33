// Memory left allocated on purpose until the process ends.
#pragma once

namespace platform {

// Says that the allocation holding `address`, and all it reaches, is left
// on purpose: nothing frees it, and a leak checker, when the build has one,
// does not report it. Nothing else happens; null is ignored.
void KeepUntilExit(const void* address);

}  // namespace platform
