#include "platform/deliberate_leak.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

void KeepUntilExit(const void* address) {
#if defined(__SANITIZE_ADDRESS__)
  // An interior address is enough; what the block points to counts as
  // reachable from it.
  if (address != nullptr) __lsan_ignore_object(address);
#else
  (void)address;
#endif
}

}  // namespace platform
