// The one console: every text of the run, the live page, colours, questions
// and the exit pause go through a Console handed down from the top. The
// terminal one sits on platform/console.h; tests hand a recording one.
// Used at pages and prompts only, so a virtual call costs nothing that counts.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Keyboard;
}  // namespace platform

namespace console {

// Console text attributes the program uses.
constexpr uint16_t kColorNone = 0;
constexpr uint16_t kColorVersion = 10;   // bright green
constexpr uint16_t kColorError = 11;     // bright cyan
constexpr uint16_t kColorBanner = 12;    // bright red
constexpr uint16_t kColorValue = 15;     // bright white

// What printing and the exit pause take from the settings.
struct ConsoleOptions {
  bool use_color = true;
  bool pause_before_exit = false;
  bool to_stdout = false;  // messages go to standard output instead of error
};

class Console {
 public:
  virtual ~Console() = default;
  // Prints text as it is (never as a format) in a colour (0: unchanged), on
  // the stream the options choose.
  virtual void Print(uint16_t color, const std::string& text) = 0;
  // The same on standard output whatever the options say (usage, library
  // facts, a settings error).
  virtual void PrintToStdout(uint16_t color, const std::string& text) = 0;
  virtual void MoveUp(int rows) = 0;
  // Columns; 0 when the output is not a terminal (nothing gets padded).
  virtual int Width() const = 0;
  // The pause before exit, when the options ask for it.
  virtual void WaitAnyKey() = 0;
  // Polls every poll_ms; y/Y yes, n/N no, other keys ignored; end of input
  // answers no.
  virtual bool AskYesNo(uint32_t poll_ms) = 0;
  // The process's keyboard, for those that read keys or hold key-by-key
  // mode around a question.
  virtual platform::Keyboard& Keys() = 0;
};

// Pads with spaces to one less than the console width; a text that does not
// fit, or more than 999 spaces, leaves the text as it is.
std::string PadLine(const Console& console, const std::string& text);

// "\r" + padded text + "\n": a line of a page or summary, drawn over
// whatever an earlier, longer line left on that row.
void PrintPaddedLine(Console& console, uint16_t color, const std::string& text);
// "\r" + padded text + "\r": a status line the next output replaces.
void PrintStatusLine(Console& console, const std::string& text);
// "\r" + padded empty text: blanks the current row, cursor at its end.
void EraseRow(Console& console);

// Prints text in the error colour, pauses, and gives the run's error status.
int ExitWithError(Console& console, const std::string& text);

}  // namespace console
