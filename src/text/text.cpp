#include "text/text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace text {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

void Trim(std::string* value) {
  size_t end = value->size();
  while (end > 0 && IsBlank((*value)[end - 1])) --end;
  size_t start = 0;
  while (start < end && IsBlank((*value)[start])) ++start;
  *value = value->substr(start, end - start);
}

void ToLower(std::string* value) {
  for (char& c : *value) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

bool IsNumeric(const std::string& value) {
  if (value.empty()) return false;
  for (char c : value) {
    if (!(c == '-' || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

std::string Format(const char* format, ...) {
  if (format == nullptr) return std::string();
  for (size_t capacity = 256; capacity <= 4096; capacity *= 2) {
    std::vector<char> buffer(capacity);
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer.data(), capacity, format, args);
    va_end(args);
    if (written < 0) return std::string();
    if (static_cast<size_t>(written) < capacity) return std::string(buffer.data(), written);
  }
  return std::string();
}

}  // namespace text
