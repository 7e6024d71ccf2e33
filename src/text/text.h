// Plain text helpers every layer may use: no system calls, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/compiler.h"

namespace text {

// Drops spaces, tabs, CRs and LFs at both ends.
void Trim(std::string* value);
// ASCII letters only: file-system and script texts keep their other bytes.
void ToLower(std::string* value);
// Non-empty, and only digits and '-' (the settings' and switches' test).
bool IsNumeric(const std::string& value);

// printf-style; a text of more than 4095 characters gives "", so that no
// fixed-width line of a page or a record can grow without bound.
std::string Format(const char* format, ...) KORBINET_PRINTF_FORMAT(1, 2);

// The length of the well-formed UTF-8 sequence of two to four bytes at
// text[i], or 0: overlong forms, surrogates and code points above U+10FFFF
// are not well-formed. *code, when given, receives the code point.
size_t Utf8SequenceLength(std::string_view text, size_t i, uint32_t* code = nullptr);

// Appends a code point (up to U+10FFFF) as UTF-8.
void AppendUtf8(char32_t code, std::string* out);

}  // namespace text
