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

size_t Utf8SequenceLength(std::string_view text, size_t i, uint32_t* code_point) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t min, code;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, min = 0x80, code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, min = 0x800, code = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, min = 0x10000, code = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  if (code_point != nullptr) *code_point = code;
  return length;
}

void AppendUtf8(char32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace text
