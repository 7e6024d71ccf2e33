#include "platform/error.h"

#include <cstring>

#include "platform/win32/wide_text.h"

namespace platform {

std::string ErrnoText(int error_number) {
  const char* text = std::strerror(error_number);
  return text ? text : "Unknown error";
}

namespace win32 {

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer != nullptr) {
    text = Narrow(buffer, length);
    // The system's texts end in a line break (and sometimes a space).
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  }
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = "Error " + std::to_string(code);
  return text;
}

}  // namespace win32

}  // namespace platform
