#include "console/console.h"

namespace console {

std::string PadLine(const Console& console, const std::string& text) {
  // Unsigned arithmetic mirrors the 32-bit wrap: a text longer than the
  // console gives a huge count and is left as it is.
  uint32_t n = static_cast<uint32_t>(console.Width()) - static_cast<uint32_t>(text.size()) - 1u;
  if (n > 999u) return text;
  return text + std::string(n, ' ');
}

void PrintPaddedLine(Console& console, uint16_t color, const std::string& text) {
  console.Print(color, "\r" + PadLine(console, text) + "\n");
}

void PrintStatusLine(Console& console, const std::string& text) {
  console.Print(kColorNone, "\r" + PadLine(console, text) + "\r");
}

void EraseRow(Console& console) { console.Print(kColorNone, "\r" + PadLine(console, std::string())); }

int ExitWithError(Console& console, const std::string& text) {
  console.Print(kColorError, text);
  console.WaitAnyKey();
  return -1;
}

}  // namespace console
