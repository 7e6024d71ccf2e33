// How a failed system call becomes text. Nothing is stored: a platform
// function that can fail takes a std::string* error as its last parameter
// and, on failure, fills it with the system's reason, one line without a
// line end. Callers that need no reason pass nullptr.
#pragma once

#include <string>
#include <utility>

namespace platform {

// The C library's text for errno's error_number.
std::string ErrnoText(int error_number);

// The reason, for a caller that asked for one.
inline void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}
inline void SetErrno(std::string* error, int error_number) {
  if (error != nullptr) *error = ErrnoText(error_number);
}

}  // namespace platform
