#include "platform/error.h"

#include <cstring>

namespace platform {

namespace {
// Per thread, like the Windows last-error value it stands in for.
thread_local std::string last_error;
thread_local bool has_error = false;
}  // namespace

std::string LastErrorText() {
  if (!has_error) return {};
  return last_error + "\n";
}

void ClearLastError() {
  last_error.clear();
  has_error = false;
}

void RecordErrno(int error_number) {
  char buffer[256];
  // The GNU variant may return a static string instead of filling buffer.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  RecordErrorText(text ? text : "Unknown error");
}

void RecordErrorText(const std::string& text) {
  last_error = text;
  has_error = true;
}

}  // namespace platform
