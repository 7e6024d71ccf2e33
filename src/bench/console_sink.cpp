#include "bench/console_sink.h"

#include "console/console_utils.h"

namespace {

class StandardConsoleSink final : public ConsoleSink {
 public:
  void Print(uint16_t color, const std::string& text) override {
    ConsolePrintText(g_utils.Options().to_stdout, color, text);
  }
  void MoveUp(int rows) override { g_utils.MoveCursorUp(rows); }
};

}  // namespace

ConsoleSink& StandardConsole() {
  static StandardConsoleSink sink;
  return sink;
}

void PrintPaddedLine(ConsoleSink& sink, uint16_t color, const std::string& text) {
  sink.Print(color, "\r" + g_utils.PadLine(text) + "\n");
}

void PrintStatusLine(ConsoleSink& sink, const std::string& text) {
  sink.Print(kColorNone, "\r" + g_utils.PadLine(text) + "\r");
}

void EraseRow(ConsoleSink& sink) {
  sink.Print(kColorNone, "\r" + g_utils.PadLine(std::string()));
}
