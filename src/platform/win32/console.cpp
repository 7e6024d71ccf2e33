#include "platform/console.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Handler state: the console's input mode and colours as the console
// control handler (on a thread of its own) and the exit hook must restore
// them.
volatile LONG colours_changed = 0;
volatile LONG mode_changed = 0;
WORD saved_attributes = 0x07;
bool attributes_saved = false;
DWORD saved_input_mode = 0;

HANDLE Output() { return GetStdHandle(STD_OUTPUT_HANDLE); }
HANDLE Input() { return GetStdHandle(STD_INPUT_HANDLE); }

// Also from the control handler's thread, hence the exchange.
void RestoreSavedMode() {
  if (InterlockedExchange(&mode_changed, 0)) SetConsoleMode(Input(), saved_input_mode);
}

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool StdinIsConsole() { return IsConsole(Input()); }

void WriteAll(HANDLE handle, const char* data, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

// Shift, Control, Alt, the lock keys: pressed alone they are no key.
bool IsModifier(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
    case VK_LWIN: case VK_RWIN: case VK_APPS:
      return true;
    default:
      return false;
  }
}

bool IsKeyPress(const INPUT_RECORD& record) {
  return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
         !IsModifier(record.Event.KeyEvent.wVirtualKeyCode);
}

int KeyOf(const KEY_EVENT_RECORD& key) {
  wchar_t c = key.uChar.UnicodeChar;
  if (c == 0 || c > 0xFF) return kKeySequence;
  return static_cast<int>(c);
}

}  // namespace

// Bytes of standard input read ahead by a thread of their own, for pipes
// that cannot be peeked (Wine's pipes fail PeekNamedPipe with "not
// supported"): a blocking read is then the only way to learn that a byte,
// or the end, has come.
class KeyReadAhead {
 public:
  // Starts the reader, which holds the state for as long as it runs: it may
  // block in ReadFile after the keyboard is gone, to the process's end.
  static std::shared_ptr<KeyReadAhead> Start(HANDLE input) {
    auto state = std::make_shared<KeyReadAhead>();
    std::thread([state, input] {
      for (;;) {
        unsigned char byte = 0;
        DWORD read = 0;
        bool ok = ReadFile(input, &byte, 1, &read, nullptr) && read == 1;
        std::lock_guard lock(state->mutex_);
        state->keys_.push_back(ok ? byte : kKeyEndOfInput);
        state->arrived_.notify_all();
        if (!ok) return;
      }
    }).detach();
    return state;
  }

  bool Waiting() {
    std::lock_guard lock(mutex_);
    return !keys_.empty();
  }

  int Take() {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] { return !keys_.empty(); });
    int key = keys_.front();
    if (key != kKeyEndOfInput) keys_.pop_front();  // the end stays, for every later read
    return key;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<int> keys_;  // bytes, then kKeyEndOfInput at the end
};

namespace {

BOOL WINAPI RestoreOnControl(DWORD) {
  RestoreTerminal();
  return FALSE;  // the default handling ends the process
}

void RestoreAtExit() { RestoreTerminal(); }

}  // namespace

bool StdoutIsTerminal() { return IsConsole(Output()); }

int ConsoleWidth() {
  if (!StdoutIsTerminal()) return 0;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(Output(), &info) || info.dwSize.X <= 0) return 80;
  return static_cast<int>(info.dwSize.X);
}

void WriteText(bool to_stdout, std::string_view text) {
  std::fflush(to_stdout ? stdout : stderr);
  HANDLE handle = GetStdHandle(to_stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  if (IsConsole(handle)) {
    // The console takes UTF-16: a path with non-ASCII characters shows as it is.
    std::wstring wide = win32::Widen(std::string(text));
    DWORD written = 0;
    for (size_t done = 0; done < wide.size(); done += written) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 0x4000));
      if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return;
    }
    return;
  }
  // Redirected text gets Windows line ends, as the C runtime's text mode gives.
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  WriteAll(handle, lines.data(), lines.size());
}

void SetTextAttribute(uint16_t attribute) {
  if (!StdoutIsTerminal()) return;
  std::fflush(stdout);
  if (!attributes_saved) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(Output(), &info)) saved_attributes = info.wAttributes;
    attributes_saved = true;
  }
  colours_changed = 1;
  SetConsoleTextAttribute(Output(), attribute);
}

void ResetTextAttribute() {
  if (!StdoutIsTerminal()) return;
  std::fflush(stdout);
  if (attributes_saved) SetConsoleTextAttribute(Output(), saved_attributes);
  colours_changed = 0;
}

void MoveCursorUp(int rows) {
  if (rows <= 0 || !StdoutIsTerminal()) return;
  std::fflush(stdout);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(Output(), &info)) return;
  COORD position{0, static_cast<SHORT>(info.dwCursorPosition.Y > rows ? info.dwCursorPosition.Y - rows : 0)};
  SetConsoleCursorPosition(Output(), position);
}

Keyboard::Keyboard() = default;
Keyboard::~Keyboard() = default;

bool Keyboard::KeyHit() {
  HANDLE input = Input();
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return true;
  if (!StdinIsConsole()) {
    // Once the reader owns standard input, every read goes through it.
    if (read_ahead_ == nullptr) {
      if (GetFileType(input) != FILE_TYPE_PIPE) return true;  // a file (or NUL) never blocks
      DWORD available = 0;
      if (PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return available > 0;
      // A pipe whose writer has gone fails here: its end is what is waiting.
      if (GetLastError() != ERROR_NOT_SUPPORTED) return true;
      read_ahead_ = KeyReadAhead::Start(input);
    }
    return read_ahead_->Waiting();
  }
  // Mouse, focus and key-up events are dropped, so that they do not stand
  // for a waiting key.
  while (WaitForSingleObject(input, 0) == WAIT_OBJECT_0) {
    INPUT_RECORD record;
    DWORD count = 0;
    if (!PeekConsoleInputW(input, &record, 1, &count) || count == 0) return false;
    if (IsKeyPress(record)) return true;
    ReadConsoleInputW(input, &record, 1, &count);
  }
  return false;
}

int Keyboard::ReadKey() {
  HANDLE input = Input();
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return kKeyEndOfInput;
  if (!StdinIsConsole()) {
    if (read_ahead_ != nullptr) return read_ahead_->Take();
    unsigned char byte = 0;
    DWORD read = 0;
    if (!ReadFile(input, &byte, 1, &read, nullptr) || read == 0) return kKeyEndOfInput;
    return byte;
  }
  for (;;) {
    INPUT_RECORD record;
    DWORD count = 0;
    if (!ReadConsoleInputW(input, &record, 1, &count)) return kKeyEndOfInput;
    if (count == 1 && IsKeyPress(record)) return KeyOf(record.Event.KeyEvent);
  }
}

bool Keyboard::SetKeyByKeyMode() {
  // A mode already changed is another holder's to restore.
  if (mode_changed || !StdinIsConsole()) return false;
  DWORD mode;
  if (!GetConsoleMode(Input(), &mode)) return false;
  saved_input_mode = mode;
  mode_changed = 1;
  // Ctrl+C keeps its meaning; keys come one by one, unechoed.
  if (!SetConsoleMode(Input(), (mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) |
                                   ENABLE_PROCESSED_INPUT)) {
    mode_changed = 0;
    return false;
  }
  return true;
}

void Keyboard::RestoreKeyMode() { RestoreSavedMode(); }

void InstallTerminalRestore() {
  // Handler state: the handler is the process's, installed once for it.
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(RestoreOnControl, TRUE);
  std::atexit(RestoreAtExit);
}

void RestoreTerminal() {
  DWORD saved_error = GetLastError();
  RestoreSavedMode();
  if (InterlockedExchange(&colours_changed, 0) && attributes_saved)
    SetConsoleTextAttribute(Output(), saved_attributes);
  SetLastError(saved_error);
}

}  // namespace platform
