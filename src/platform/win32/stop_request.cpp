#include "platform/stop_request.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/console.h"

namespace platform {

namespace {

// Program-wide because the console control handler must reach them: the
// system runs it on a thread of its own.
std::atomic<int> deferral_depth{0};
std::atomic<bool> request_kept{false};
std::atomic<const char*> notice_text{nullptr};
std::atomic<int> notice_rows_up{0};

// What the default handler gives a process ended by Ctrl+C.
constexpr UINT kStatusControlCExit = 0xC000013A;
// The system ends the process 5 s after a close event whatever the handler
// does; the records get nearly all of that.
constexpr int kCloseWaitMs = 4500;
constexpr int kCloseWaitStepMs = 20;

[[noreturn]] void EndAtOnce() {
  RestoreTerminal();
  ExitProcess(kStatusControlCExit);
}

// Through the screen buffer, not the stream: the cursor stays where the page
// left it, and the text cannot land inside a line the page is writing.
void WriteNotice() {
  const char* text = notice_text.load();
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (text == nullptr || !GetConsoleScreenBufferInfo(out, &info)) return;
  const int row = info.dwCursorPosition.Y - notice_rows_up.load();
  if (row < 0 || info.dwSize.X <= 0) return;
  const COORD at{0, static_cast<SHORT>(row)};
  DWORD written = 0;
  FillConsoleOutputCharacterA(out, ' ', static_cast<DWORD>(info.dwSize.X - 1), at, &written);
  WriteConsoleOutputCharacterA(out, text, static_cast<DWORD>(std::strlen(text)), at, &written);
}

BOOL WINAPI OnControl(DWORD type) {
  if (type == CTRL_CLOSE_EVENT) {
    if (deferral_depth.load() == 0) EndAtOnce();
    // Returning would end the process at once: give the run the time the
    // system allows to write its records (the main thread then ends it).
    request_kept.store(true);
    for (int waited = 0; waited < kCloseWaitMs && deferral_depth.load() > 0; waited += kCloseWaitStepMs)
      Sleep(kCloseWaitStepMs);
    EndAtOnce();
  }
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  bool none = false;
  if (deferral_depth.load() > 0 && request_kept.compare_exchange_strong(none, true)) {
    WriteNotice();
    // The last deferral may have ended between the two reads, having found
    // nothing kept: the request is then this handler's to carry out.
    if (deferral_depth.load() > 0) return TRUE;
  }
  EndAtOnce();
}

}  // namespace

void InstallStopHandlers() {
  // The handler is the process's, installed once for it.
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

StopDeferral::StopDeferral() { deferral_depth.fetch_add(1); }

StopDeferral::~StopDeferral() {
  if (deferral_depth.fetch_sub(1) != 1 || !request_kept.load()) return;
  std::fflush(nullptr);
  EndAtOnce();
}

// The file is open in the writing thread, which Windows does not let
// another delete; the system ends the process with it anyway.
void StopDeferral::RemoveIfEndedAtOnce(const char*) {}

bool StopRequestKept() { return request_kept.load(); }

StopNotice::StopNotice(const char* text, bool) {
  if (!StdoutIsTerminal()) return;
  notice_rows_up.store(0);
  notice_text.store(text);
}

StopNotice::~StopNotice() { notice_text.store(nullptr); }

void StopNotice::PlaceAbove(int rows_up) { notice_rows_up.store(rows_up); }

}  // namespace platform
