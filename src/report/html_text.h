// Text from files and the command line made safe for the page.
#pragma once

#include <string>
#include <string_view>

namespace report {

// Escapes text for an element or an attribute value. The page is UTF-8 and
// must also parse as XML: bytes that are not UTF-8 (a log in an 8-bit code
// page) are taken as Latin-1 and written as character references; control
// characters XML forbids become U+FFFD.
std::string EscapeHtml(std::string_view text);

// value with the given number of decimals, "." as the point, no grouping:
// figures on the page read as the program prints them. Never "-0".
std::string FixedText(double value, int decimals);

}  // namespace report
