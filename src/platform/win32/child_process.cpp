#include "platform/child_process.h"

#include <windows.h>
#include <io.h>

#include <chrono>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// What Kill leaves as the exit status: the status a killed child has on
// POSIX (128 + SIGKILL), so that a controller's texts read the same on both.
constexpr UINT kKilledStatus = 137;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

void CloseOwned(intptr_t* handle) {
  if (*handle != -1 && *handle != 0) CloseHandle(AsHandle(*handle));
  *handle = -1;
}

// One argument as the C runtime's command-line parser reads it back:
// quoted when it has blanks or quotes (or is empty); backslashes are literal
// except before a quote, where each doubles and the quote gets one more.
void AppendQuoted(const std::string& arg, std::string* line) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    *line += arg;
    return;
  }
  *line += '"';
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    line->append(backslashes, '\\');
    backslashes = 0;
    *line += c;
  }
  // Before the closing quote they must double, or they would escape it.
  line->append(backslashes * 2, '\\');
  *line += '"';
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
  // The program's name is read by simpler rules (up to the next quote, no
  // escapes); a path holds no quote, so quoting it whole is always right.
  std::string line = "\"" + program + "\"";
  for (const std::string& arg : args) {
    line += ' ';
    AppendQuoted(arg, &line);
  }
  return line;
}

// A pipe whose end `inherited` (0 read, 1 write) the child gets; ours is
// never inheritable.
bool MakePipe(HANDLE ends[2], int inherited) {
  // Room for a long answer at once: a reader that polls catches up with
  // fewer waits than with the small default.
  if (!CreatePipe(&ends[0], &ends[1], nullptr, 65536)) return false;
  if (SetHandleInformation(ends[inherited], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) return true;
  const DWORD code = GetLastError();
  CloseHandle(ends[0]);
  CloseHandle(ends[1]);
  SetLastError(code);
  return false;
}

}  // namespace

void ChildProcess::CloseNative() {
  if (process_ != 0) CloseHandle(AsHandle(process_));
  process_ = 0;
  CloseOwned(&input_);
  CloseOwned(&output_);
}

bool ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args, std::string* error) {
  HANDLE to_child[2];
  HANDLE from_child[2];
  if (!MakePipe(to_child, 0)) {
    *error = program + ": " + win32::SystemErrorText(GetLastError());
    return false;
  }
  if (!MakePipe(from_child, 1)) {
    *error = program + ": " + win32::SystemErrorText(GetLastError());
    CloseHandle(to_child[0]);
    CloseHandle(to_child[1]);
    return false;
  }
  // Our standard error, as an inheritable copy the child writes to.
  HANDLE error_copy = nullptr;
  const HANDLE own_error = GetStdHandle(STD_ERROR_HANDLE);
  if (own_error != nullptr && own_error != INVALID_HANDLE_VALUE &&
      !DuplicateHandle(GetCurrentProcess(), own_error, GetCurrentProcess(), &error_copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    error_copy = nullptr;

  // Only these handles pass to the child, whatever else of ours is
  // inheritable: a stray copy of a pipe end would keep it open after we
  // close ours, and the child would never read end of input.
  HANDLE inherited[3] = {to_child[0], from_child[1], error_copy};
  const DWORD inherited_count = error_copy != nullptr ? 3 : 2;
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attribute_memory(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_memory.data());
  bool prepared = InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
                  UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                            inherited_count * sizeof(HANDLE), nullptr, nullptr);
  DWORD code = prepared ? 0 : GetLastError();

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = to_child[0];
  startup.StartupInfo.hStdOutput = from_child[1];
  startup.StartupInfo.hStdError = error_copy;
  startup.lpAttributeList = attributes;
  std::wstring command_line = win32::Widen(CommandLine(program, args));
  PROCESS_INFORMATION started{};
  // The program is named apart from the command line: no search, no
  // guessing where a path with spaces ends.
  const bool created =
      prepared && CreateProcessW(win32::WidePath(program).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                 EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo, &started);
  if (prepared && !created) code = GetLastError();
  if (prepared) DeleteProcThreadAttributeList(attributes);
  CloseHandle(to_child[0]);
  CloseHandle(from_child[1]);
  if (error_copy != nullptr) CloseHandle(error_copy);
  if (!created) {
    CloseHandle(to_child[1]);
    CloseHandle(from_child[0]);
    *error = program + ": " + win32::SystemErrorText(code);
    return false;
  }
  CloseHandle(started.hThread);
  process_ = FromHandle(started.hProcess);
  input_ = FromHandle(to_child[1]);
  output_ = FromHandle(from_child[0]);
  return true;
}

bool ChildProcess::Write(std::string_view text) {
  if (input_ == -1) return false;
  while (!text.empty()) {
    const DWORD chunk = text.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(text.size());
    DWORD written = 0;
    if (!WriteFile(AsHandle(input_), text.data(), chunk, &written, nullptr)) return false;
    text.remove_prefix(written);
  }
  return true;
}

bool ChildProcess::ReadSome(const Deadline* deadline) {
  char buffer[65536];
  DWORD wanted = sizeof buffer;
  if (deadline != nullptr) {
    // An anonymous pipe has no wait with a limit: look, then sleep a
    // little, until bytes or the end are there or time is up.
    for (int idle_looks = 0;; ++idle_looks) {
      DWORD available = 0;
      if (!PeekNamedPipe(AsHandle(output_), nullptr, 0, nullptr, &available, nullptr)) {
        output_ended_ = true;
        return true;
      }
      if (available > 0) {
        if (available < wanted) wanted = available;
        break;
      }
      const auto left = std::chrono::duration<double, std::milli>(*deadline - Clock::now()).count();
      if (left <= 0) return false;
      // Short naps first: an answer is often just about to come.
      const DWORD nap = idle_looks < 10 ? 1 : 10;
      Sleep(left < nap ? static_cast<DWORD>(left) + 1 : nap);
    }
  }
  DWORD count = 0;
  if (ReadFile(AsHandle(output_), buffer, wanted, &count, nullptr) && count > 0) {
    TakeIn(buffer, count);
  } else {
    output_ended_ = true;
  }
  return true;
}

void ChildProcess::CloseInput() { CloseOwned(&input_); }

void ChildProcess::Kill() {
  if (process_ != 0 && !reaped_) TerminateProcess(AsHandle(process_), kKilledStatus);
}

int ChildProcess::Wait() {
  if (process_ == 0) return -1;
  if (reaped_) return status_;
  DWORD code = 0;
  reaped_ = true;
  if (WaitForSingleObject(AsHandle(process_), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(AsHandle(process_), &code)) {
    return status_ = -1;
  }
  return status_ = static_cast<int>(code);
}

bool ChildProcess::Running() const {
  return process_ != 0 && !reaped_ && WaitForSingleObject(AsHandle(process_), 0) == WAIT_TIMEOUT;
}

// Ctrl+C reaches every process on the console; a worker leaves the decision
// to its controller. Ctrl+Break and closing the console still end it.
void IgnoreTerminalInterrupt() { SetConsoleCtrlHandler(nullptr, TRUE); }

std::FILE* MoveStandardOutputAside(std::string* error) {
  // The C library's descriptor 1 and the process's standard handle both move:
  // a library built with another C runtime takes its standard output from
  // the handle when it loads.
  const int answers = _dup(1);
  if (answers < 0 || _dup2(2, 1) != 0 ||
      !SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE))) {
    *error = "standard output cannot be moved";
    if (answers >= 0) _close(answers);
    return nullptr;
  }
  std::FILE* file = _fdopen(answers, "wb");
  if (file == nullptr) {
    *error = "standard output cannot be moved";
    _close(answers);
  }
  return file;
}

}  // namespace platform
