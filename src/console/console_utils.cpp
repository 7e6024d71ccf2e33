#include "console/console_utils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "console/key_prompt.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"

CUtils g_utils;

CUtils::CUtils()
    : is_terminal_(platform::StdoutIsTerminal()),
      // Redirected output has no columns: nothing gets padded.
      console_width_(is_terminal_ ? platform::ConsoleWidth() : 0) {}

CUtils::~CUtils() {
  if (is_terminal_) platform::ResetTextAttribute();
}

void CUtils::SetTextColor(uint16_t color, int use_color) {
  if (use_color != 0 && color != 0) platform::SetTextAttribute(color);
}

void CUtils::RestoreTextColor(int use_color) {
  if (use_color != 0) platform::ResetTextAttribute();
}

void CUtils::MoveCursorUp(int lines) { platform::MoveCursorUp(lines); }

std::string CUtils::PadLine(const std::string& text) const {
  // Unsigned arithmetic mirrors the 32-bit wrap: a text longer than the
  // console gives a huge count and is left as it is.
  uint32_t n = static_cast<uint32_t>(console_width_) - static_cast<uint32_t>(text.size()) - 1u;
  if (n > 999u) return text;
  return text + std::string(n, ' ');
}

// Linux terminals show file-system text as it is.
std::string CUtils::AnsiToOem(const std::string& text) const { return text; }

// The formatted text may be far longer than FormatString allows (script
// texts, long paths): size the buffer from the formatter itself.
static std::string FormatUnbounded(const char* format, va_list args) {
  va_list probe;
  va_copy(probe, args);
  int needed = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (needed <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), static_cast<size_t>(needed));
}

void ConsolePrint(int to_stdout, uint16_t color, const char* format, ...) {
  if (format == nullptr) return;
  const int use_color = g_utils.Options().use_color;
  if (color != 0) g_utils.SetTextColor(color, use_color);
  va_list args;
  va_start(args, format);
  std::string text = FormatUnbounded(format, args);
  va_end(args);
  platform::WriteText(to_stdout != 0, text);
  if (color != 0) g_utils.RestoreTextColor(use_color);
}

KeySource ConsoleKeySource() {
  KeySource source;
  source.sleep = platform::SleepMs;
  source.hit = platform::KeyHit;
  source.read = platform::ReadKey;
  return source;
}

void WaitAnyKeyWith(const KeySource& keys) {
  if (g_utils.Options().pause_before_exit == 0) return;
  const int to_stdout = g_utils.Options().to_stdout;
  ConsolePrint(to_stdout, kColorNone, "\nPress any key to exit...");
  // KeyHit is also true at the end of input, so a closed pipe ends the wait.
  do {
    keys.sleep(100);
  } while (!keys.hit());
  ConsolePrint(to_stdout, kColorNone, "\r%s", g_utils.PadLine("").c_str());
}

void WaitAnyKey() {
  platform::KeyboardMode mode;
  WaitAnyKeyWith(ConsoleKeySource());
}

bool AskYesNoWith(uint32_t poll_ms, const KeySource& keys) {
  for (;;) {
    keys.sleep(poll_ms);
    if (!keys.hit()) continue;
    int key = keys.read();
    if (key == 'y' || key == 'Y') return true;
    // Nobody can answer once input has ended: waiting on would never end.
    if (key == 'n' || key == 'N' || key == platform::kKeyEndOfInput) return false;
  }
}

bool AskYesNo(uint32_t poll_ms) {
  platform::KeyboardMode mode;
  return AskYesNoWith(poll_ms, ConsoleKeySource());
}
