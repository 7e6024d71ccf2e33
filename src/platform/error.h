// The last failure of a platform call on this thread, as text.
#pragma once

#include <string>

namespace platform {

// Text of the last failure recorded on this thread followed by "\n", or empty
// when none was recorded (or it was cleared).
std::string LastErrorText();
void ClearLastError();
// Records errno's text (used by the implementation; tests may use it too).
void RecordErrno(int error_number);
void RecordErrorText(const std::string& text);

}  // namespace platform
