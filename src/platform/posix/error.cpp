#include "platform/error.h"

#include <cstring>

namespace platform {

std::string ErrnoText(int error_number) {
  char buffer[256];
  // The GNU variant may return a static string instead of filling buffer.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  return text ? text : "Unknown error";
}

}  // namespace platform
