// The store of the last failure is the same on every system; only how a
// failure becomes text differs (the back-ends' RecordErrno and their own).
#include "platform/error.h"

namespace platform {

namespace {
// Per thread, like the Windows last-error value.
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

void RecordErrorText(const std::string& text) {
  last_error = text;
  has_error = true;
}

}  // namespace platform
