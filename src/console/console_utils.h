// The console utility object: coloured printing, lines redrawn in place,
// the pause before exit, text utilities and number formats.
#pragma once

#include <cstdint>
#include <string>

#include "platform/compiler.h"

// Console text attributes the program uses.
constexpr uint16_t kColorNone = 0;
constexpr uint16_t kColorVersion = 10;   // bright green
constexpr uint16_t kColorError = 11;     // bright cyan
constexpr uint16_t kColorBanner = 12;    // bright red
constexpr uint16_t kColorValue = 15;     // bright white

// What printing and the exit pause take from the settings; the program sets
// them once the settings are read.
struct ConsoleOptions {
  int32_t use_color = 1;
  int32_t pause_before_exit = 0;
  int32_t to_stdout = 0;  // messages go to standard output instead of error
};

class CUtils {
 public:
  CUtils();
  virtual ~CUtils();

  int ConsoleWidth() const { return console_width_; }
  // For tests: pretend the console has this many columns.
  void SetConsoleWidthForTest(int width) { console_width_ = width; }
  const ConsoleOptions& Options() const { return options_; }
  void SetOptions(const ConsoleOptions& options) { options_ = options; }

  void SetTextColor(uint16_t color, int use_color);
  void RestoreTextColor(int use_color);
  void MoveCursorUp(int lines);
  // Pads with spaces to one less than the console width (see the .cpp).
  std::string PadLine(const std::string& text) const;
  std::string AnsiToOem(const std::string& text) const;

 private:
  bool is_terminal_;
  int console_width_;
  ConsoleOptions options_;
};

extern CUtils g_utils;

// Prints a printf-style text to standard output (to_stdout != 0) or standard
// error in the given colour (0: unchanged), honouring use_color.
void ConsolePrint(int to_stdout, uint16_t color, const char* format, ...)
    KORBINET_PRINTF_FORMAT(3, 4);

// Prints a text as it is (never as a format).
inline void ConsolePrintText(int to_stdout, uint16_t color, const std::string& text) {
  ConsolePrint(to_stdout, color, "%s", text.c_str());
}

// The pause before exit, when pause_before_exit is set.
void WaitAnyKey();

// The yes/no key prompt: polls every poll_ms; y/Y yes, n/N no, other keys
// ignored; end of input answers no.
bool AskYesNo(uint32_t poll_ms);
