#include "report/html_text.h"

#include <cstdio>

#include "text/text.h"

namespace report {

namespace {

// The length of the UTF-8 sequence at text[i] when it is well-formed and
// none of the two non-characters XML excludes, or 0.
size_t Utf8Length(std::string_view text, size_t i) {
  uint32_t code = 0;
  const size_t length = text::Utf8SequenceLength(text, i, &code);
  return code == 0xFFFE || code == 0xFFFF ? 0 : length;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t': case '\n': out += static_cast<char>(c); break;
        case '\r': break;  // a line end's first half; the page uses "\n" alone
        default:
          if (c < 0x20 || c == 0x7f) {
            out += "&#xFFFD;";
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    if (const size_t length = Utf8Length(text, i)) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    // C1 controls have no business on a page either.
    if (c < 0xa0) {
      out += "&#xFFFD;";
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += "&#x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      out += ';';
    }
    ++i;
  }
  return out;
}

std::string FixedText(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  // A zero reached from below (a tick computed as -1 * 0, a tiny negative
  // rounded away) reads as zero, not "-0".
  const std::string_view text(buffer);
  if (text.starts_with('-') && text.find_first_not_of("0.", 1) == std::string_view::npos) {
    return std::string(text.substr(1));
  }
  return buffer;
}

}  // namespace report
