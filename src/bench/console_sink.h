// Where the benchmark's page and summary go: the console, or a recorder in
// tests. Used at pages only, so a virtual call costs nothing that counts.
#pragma once

#include <cstdint>
#include <string>

class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  // Prints text as it is (never as a format) in a colour (0: unchanged).
  virtual void Print(uint16_t color, const std::string& text) = 0;
  virtual void MoveUp(int rows) = 0;
};

// ConsolePrint to the stream the console options select, and the cursor.
ConsoleSink& StandardConsole();

// "\r" + padded text + "\n": a line of a page or summary, drawn over
// whatever an earlier, longer line left on that row.
void PrintPaddedLine(ConsoleSink& sink, uint16_t color, const std::string& text);
// "\r" + padded text + "\r": a status line the next output replaces.
void PrintStatusLine(ConsoleSink& sink, const std::string& text);
// "\r" + padded empty text: blanks the current row, cursor at its end.
void EraseRow(ConsoleSink& sink);
