// A console sink keeping what would reach the terminal as one text (colours as
// "{n}", cursor moves as "<up n>"), and a console width set for one test.
#pragma once

#include <string>

#include "bench/console_sink.h"
#include "console/console_utils.h"

struct RecordingConsole : ConsoleSink {
  void Print(uint16_t color, const std::string& text) override {
    if (color != 0) out += "{" + std::to_string(color) + "}";
    out += text;
  }
  void MoveUp(int rows) override { out += "<up " + std::to_string(rows) + ">"; }

  std::string out;
};

struct ScopedConsoleWidth {
  explicit ScopedConsoleWidth(int width) { g_utils.SetConsoleWidthForTest(width); }
  ~ScopedConsoleWidth() { g_utils.SetConsoleWidthForTest(saved); }
  const int saved = g_utils.ConsoleWidth();
};
