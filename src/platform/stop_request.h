// Requests from outside to end the program: SIGINT (Ctrl+C), SIGTERM and
// SIGHUP on POSIX; Ctrl+C, Ctrl+Break and closing the console on Windows.
//
// By default the first request ends the process at once, the terminal
// restored, with the status the system's convention gives a program stopped
// this way (it dies by the signal on POSIX, so a shell sees 128 + its number;
// STATUS_CONTROL_C_EXIT on Windows). While a StopDeferral lives, the first
// request is kept instead: the run asks StopRequestKept() at its next check,
// ends as Esc ends it and writes its records; a second request still ends the
// process at once.
#pragma once

namespace platform {

// Installs the handlers. Call once at start, after InstallTerminalRestore
// (a request ignored by the caller, as nohup does, stays ignored).
void InstallStopHandlers();

// Keeps the first request while an instance lives. Nesting is allowed. When
// the outermost one ends with a request kept, the process ends there, by that
// request: whatever the deferral covered has been finished.
class StopDeferral {
 public:
  StopDeferral();
  ~StopDeferral();
  StopDeferral(const StopDeferral&) = delete;
  StopDeferral& operator=(const StopDeferral&) = delete;

  // A temporary file being written under this deferral: should a second
  // request end the process at once, the file goes first. One at a time.
  void RemoveIfEndedAtOnce(const char* path);

 private:
  bool removes_file_ = false;
};

// True once a request has been kept.
bool StopRequestKept();

// While an instance lives, the request that is kept writes `text` to the
// terminal at once, over the row `rows_up` rows above the cursor (the cursor
// goes back where it was); nothing when standard output is no terminal. The
// text must outlive the instance: the handler reads it as it is.
class StopNotice {
 public:
  StopNotice(const char* text, bool to_stdout);
  ~StopNotice();
  StopNotice(const StopNotice&) = delete;
  StopNotice& operator=(const StopNotice&) = delete;
  void PlaceAbove(int rows_up);
};

}  // namespace platform
