#include "console/terminal_console.h"

#include "platform/clock.h"
#include "platform/console.h"

namespace console {

TerminalConsole::TerminalConsole(const ConsoleOptions& options, platform::Keyboard& keyboard)
    : options_(options),
      keyboard_(keyboard),
      is_terminal_(platform::StdoutIsTerminal()),
      // Redirected output has no columns: nothing gets padded.
      width_(is_terminal_ ? platform::ConsoleWidth() : 0) {}

TerminalConsole::~TerminalConsole() {
  if (is_terminal_) platform::ResetTextAttribute();
}

void TerminalConsole::Write(bool to_stdout, uint16_t color, const std::string& text) {
  // Redirected output takes no colour: asked once, not at every text.
  const bool colored = color != kColorNone && options_.use_color && is_terminal_;
  if (colored) platform::SetTextAttribute(color);
  platform::WriteText(to_stdout, text);
  if (colored) platform::ResetTextAttribute();
}

void TerminalConsole::Print(uint16_t color, const std::string& text) {
  Write(options_.to_stdout, color, text);
}

void TerminalConsole::PrintToStdout(uint16_t color, const std::string& text) {
  Write(true, color, text);
}

void TerminalConsole::MoveUp(int rows) {
  if (is_terminal_) platform::MoveCursorUp(rows);
}

KeySource ConsoleKeySource(platform::Keyboard& keyboard) {
  KeySource source;
  source.sleep = platform::SleepMs;
  source.hit = [&keyboard] { return keyboard.KeyHit(); };
  source.read = [&keyboard] { return keyboard.ReadKey(); };
  return source;
}

void TerminalConsole::WaitAnyKeyWith(const KeySource& keys) {
  if (!options_.pause_before_exit) return;
  Print(kColorNone, "\nPress any key to exit...");
  // KeyHit is also true at the end of input, so a closed pipe ends the wait.
  do {
    keys.sleep(100);
  } while (!keys.hit());
  Print(kColorNone, "\r" + PadLine(*this, ""));
}

void TerminalConsole::WaitAnyKey() {
  platform::Keyboard::Mode mode(keyboard_);
  WaitAnyKeyWith(ConsoleKeySource(keyboard_));
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

bool TerminalConsole::AskYesNo(uint32_t poll_ms) {
  platform::Keyboard::Mode mode(keyboard_);
  return AskYesNoWith(poll_ms, ConsoleKeySource(keyboard_));
}

}  // namespace console
