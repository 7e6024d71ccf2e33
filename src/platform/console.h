// Terminal access: the console the program prints to and reads keys from.
// Standard output is "the console": width, colours and cursor movement apply
// only when it is a terminal. Keys come from standard input (a terminal or a
// pipe).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace platform {

// True when standard output is a terminal. Asked of the system at each call:
// whoever needs it often keeps the answer (the console object does).
bool StdoutIsTerminal();

// Columns of the terminal on standard output, read at each call; 0 when
// standard output is not a terminal.
int ConsoleWidth();

// Writes text to standard output (to_stdout) or standard error, unbuffered.
void WriteText(bool to_stdout, std::string_view text);

// Console text attribute in the Windows sense (bits 0-3 foreground: 1 blue,
// 2 green, 4 red, 8 intensity; bits 4-7 background). Emitted as ANSI SGR on
// a POSIX terminal, set as the console's attribute on Windows; only when
// standard output is a terminal.
void SetTextAttribute(uint16_t attribute);
// Back to the terminal's own colours, only when it is a terminal.
void ResetTextAttribute();

// Cursor up by n rows to column 0; nothing when n <= 0 or not a terminal.
void MoveCursorUp(int rows);

// Key codes returned by Keyboard::ReadKey besides ordinary bytes.
constexpr int kKeyEscape = 27;
constexpr int kKeySequence = 0x100;  // an escape sequence (arrow, function key)
constexpr int kKeyEndOfInput = -1;   // standard input closed, nothing more to read

class KeyReadAhead;

// The process's key reading from standard input (a terminal or a pipe).
// Standard input is one per process, and so is this: the program's main makes
// exactly one and hands it down. A second would count its key-by-key holders
// apart from the first and, on Windows, start a second reader taking bytes
// from the first.
class Keyboard {
 public:
  Keyboard();
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // True when a key is waiting, or when standard input is at its end (so that
  // callers read kKeyEndOfInput instead of waiting for a key that cannot
  // come). Does not consume anything.
  bool KeyHit();

  // Reads one key without waiting for Enter: a byte (0-255), kKeySequence for
  // a whole escape sequence, or kKeyEndOfInput. Blocks only when no key is
  // waiting.
  int ReadKey();

  // While a Mode lives and standard input is a terminal, the terminal is in
  // non-canonical, no-echo mode (signals still work). Modes nest: the
  // outermost sets the mode and restores it at its end.
  class Mode {
   public:
    explicit Mode(Keyboard& keyboard);
    ~Mode();
    Mode(const Mode&) = delete;
    Mode& operator=(const Mode&) = delete;

   private:
    Keyboard& keyboard_;
  };

 private:
  // The back-ends' part of a Mode: changing the terminal, false when it was
  // not changed (not a terminal, or changed already by another holder), and
  // restoring what was changed.
  static bool SetKeyByKeyMode();
  static void RestoreKeyMode();

  int mode_depth_ = 0;     // Modes alive
  bool mode_set_ = false;  // the outermost Mode changed the terminal
  // Windows: standard input read ahead by a thread of its own when it is a
  // pipe that cannot be peeked; shared with that thread, which may outlive
  // this object blocked in a read. Null until needed, and on POSIX.
  std::shared_ptr<KeyReadAhead> read_ahead_;
};

// Installs handlers so that the terminal is restored (mode and colours) when
// the process is ended by SIGINT, SIGTERM, SIGHUP, SIGQUIT or a fatal fault,
// and at normal exit. Call once at start.
void InstallTerminalRestore();

// Restores the terminal now: saved mode and default colours. Async-signal-safe.
void RestoreTerminal();

}  // namespace platform
