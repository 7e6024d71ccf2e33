// The console on the process's own standard streams and keyboard.
#pragma once

#include "console/console.h"
#include "console/key_prompt.h"

namespace console {

class TerminalConsole final : public Console {
 public:
  // The keyboard is the process's one, kept by the caller for as long as
  // this console lives.
  TerminalConsole(const ConsoleOptions& options, platform::Keyboard& keyboard);
  // Gives the terminal its own colours back.
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  void Print(uint16_t color, const std::string& text) override;
  void PrintToStdout(uint16_t color, const std::string& text) override;
  void MoveUp(int rows) override;
  int Width() const override { return width_; }
  void WaitAnyKey() override;
  bool AskYesNo(uint32_t poll_ms) override;
  platform::Keyboard& Keys() override { return keyboard_; }

  // The exit pause over a given key source; the keyboard mode is the caller's.
  void WaitAnyKeyWith(const KeySource& keys);
  // For tests: pretend the console has this many columns.
  void SetWidthForTest(int width) { width_ = width; }

 private:
  void Write(bool to_stdout, uint16_t color, const std::string& text);

  ConsoleOptions options_;
  platform::Keyboard& keyboard_;
  bool is_terminal_;
  int width_;
};

}  // namespace console
