// The store of the last failure is the same on every system; only how a
// failure becomes text differs (the back-ends' RecordErrno and their own).
#include "platform/error.h"

namespace platform {

namespace {
// Per thread, like errno and GetLastError, which it stands beside: every
// platform call reports its failure here the way the system reports its
// own, so that callers several layers up word the message (SystemErrorText)
// without each call in between carrying the text along.
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
