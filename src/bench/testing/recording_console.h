// Test double for the console: keeps what would reach the terminal as one
// text, colours as "{n}" before coloured text and cursor moves as "<up n>".
#pragma once

#include <string>

#include "bench/console_sink.h"

class RecordingConsole : public ConsoleSink {
 public:
  void Print(uint16_t color, const std::string& text) override {
    if (color != 0) out += "{" + std::to_string(color) + "}";
    out += text;
  }
  void MoveUp(int rows) override { out += "<up " + std::to_string(rows) + ">"; }

  std::string out;
};
