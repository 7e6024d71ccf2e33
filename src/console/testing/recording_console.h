// A console keeping what would reach the terminal as one text (colours as
// "{n}", cursor moves as "<up n>", text forced to standard output after
// "<stdout>"), with a width set by the test; every question is answered no.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/console.h"

namespace console {

struct RecordingConsole final : Console {
  void Print(uint16_t color, const std::string& text) override {
    if (color != 0) out += "{" + std::to_string(color) + "}";
    out += text;
  }
  void PrintToStdout(uint16_t color, const std::string& text) override {
    out += "<stdout>";
    Print(color, text);
  }
  void MoveUp(int rows) override { out += "<up " + std::to_string(rows) + ">"; }
  int Width() const override { return width; }
  void WaitAnyKey() override { out += "<pause>"; }
  bool AskYesNo(uint32_t poll_ms) override { return asked.push_back(poll_ms), false; }
  platform::Keyboard& Keys() override { return keyboard; }

  std::string out;
  int width = 0;
  std::vector<uint32_t> asked;  // the poll interval of each question
  platform::Keyboard keyboard;  // read by nothing here; its mode is held around questions
};

}  // namespace console
