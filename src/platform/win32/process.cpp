#include "platform/process.h"

#include <windows.h>
// After windows.h, which they rely on.
#include <psapi.h>
#include <tlhelp32.h>

#include <thread>

#include "platform/win32/wide_text.h"

namespace platform {

using win32::SetLastSystemError;

namespace {

uint64_t Hundreds(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

BOOL CALLBACK CollectTitle(HWND window, LPARAM names) {
  wchar_t title[256];
  int length = GetWindowTextW(window, title, 256);
  if (length > 0) reinterpret_cast<std::vector<std::string>*>(names)->push_back(win32::Narrow(title, length));
  return TRUE;
}

LRESULT CALLBACK TitleWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// The window lives on a thread of its own, whose message loop keeps it
// answering (EnumWindows and GetWindowText send it messages).
void RunTitleWindow(std::wstring title, HANDLE ready) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = TitleWindowProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"KorbinetTitleWindow";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, window_class.hInstance, nullptr);
  SetEvent(ready);
  if (window == nullptr) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

LockResult TakeNamedLock(const std::string& name, std::string* error) {
  // Kept open for the life of the process; the system releases it at the end.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, win32::Widen(name).c_str());
  const DWORD code = GetLastError();
  if (mutex == nullptr) {
    win32::SetSystemError(error, code);
    return code == ERROR_ACCESS_DENIED ? LockResult::kAlreadyHeld : LockResult::kFailed;
  }
  if (code == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    win32::SetSystemError(error, code);
    return LockResult::kAlreadyHeld;
  }
  return LockResult::kAcquired;
}

void SetProcessPriority(Priority priority) {
  DWORD value = priority == Priority::kIdle   ? IDLE_PRIORITY_CLASS
                : priority == Priority::kHigh ? HIGH_PRIORITY_CLASS
                                              : NORMAL_PRIORITY_CLASS;
  SetPriorityClass(GetCurrentProcess(), value);
}

bool ReadSystemTimes(SystemTimes* times, std::string* error) {
  FILETIME idle, kernel, user;
  if (!GetSystemTimes(&idle, &kernel, &user)) {
    SetLastSystemError(error);
    return false;
  }
  times->idle = Hundreds(idle);
  times->kernel = Hundreds(kernel);
  times->user = Hundreds(user);
  return true;
}

bool ReadProcessTimes(ProcessTimes* times, std::string* error) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
    SetLastSystemError(error);
    return false;
  }
  times->kernel = Hundreds(kernel);
  times->user = Hundreds(user);
  return true;
}

bool ReadMemoryUse(MemoryCounters* counters, std::string* error) {
  PROCESS_MEMORY_COUNTERS memory{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
    SetLastSystemError(error);
    return false;
  }
  counters->working_set = memory.WorkingSetSize;
  // The commit charge; PrivateUsage says the same on Windows but is 0 under Wine.
  counters->pagefile_usage = memory.PagefileUsage;
  return true;
}

int CountOwnThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  const DWORD own = GetCurrentProcessId();
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == own) ++count;
  CloseHandle(snapshot);
  return count;
}

std::vector<std::string> RunningProcessNames() {
  std::vector<std::string> titles;
  EnumWindows(CollectTitle, reinterpret_cast<LPARAM>(&titles));
  return titles;
}

void SetOwnProcessName(const std::string& name) {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready == nullptr) return;
  std::thread(RunTitleWindow, win32::Widen(name), ready).detach();
  WaitForSingleObject(ready, 10000);
  CloseHandle(ready);
}

}  // namespace platform
