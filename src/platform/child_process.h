// A child program driven line by line over its standard input and output.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A program started with its standard input and output on pipes of ours and
// its standard error inherited. The destructor kills and reaps a child still
// running, so no worker outlives its controller's scope.
class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // program is a path; args do not include it. False with *error.
  bool Start(const std::string& program, const std::vector<std::string>& args, std::string* error);
  // The whole text; false when the child closed its end (never SIGPIPE).
  bool Write(std::string_view text);
  enum class ReadResult { kLine, kEnd, kTimeout };
  // One line without its "\n" (a trailing "\r" removed too). Waits at most
  // timeout_seconds (< 0: no limit). Lines longer than 1 MiB are cut there.
  ReadResult ReadLine(std::string* line, double timeout_seconds);
  void CloseInput();   // the child reads end of input
  void Kill();         // ends it at once; Wait() still reaps it
  // Waits for the end: the exit status; 128 + signal on POSIX when killed by a
  // signal; on Windows the exit code (an NTSTATUS for a crash).
  int Wait();
  bool Running() const;

 private:
  using Deadline = std::chrono::steady_clock::time_point;
  // The back-ends' parts: the system calls.
  void CloseNative();  // our pipe ends, and on Windows the process handle
  bool Spawn(const std::string& program, const std::vector<std::string>& args, std::string* error);
  // Waits until the deadline (null: none) for bytes of the child's output,
  // which go to TakeIn, or for its end (output_ended_). False on timeout.
  bool ReadSome(const Deadline* deadline);

  // The line framing, the same for every back-end (child_process.cpp).
  void TakeIn(const char* data, size_t size);
  bool NextLine(std::string* line);
  bool LastLine(std::string* line);

  // Native values kept opaque here: a pid and descriptors on POSIX, HANDLEs
  // on Windows; 0 is no process, -1 no pipe end.
  intptr_t process_ = 0;
  intptr_t input_ = -1;   // our write end of the child's standard input
  intptr_t output_ = -1;  // our read end of the child's standard output
  std::string pending_;   // bytes read past the last line handed out
  bool discarding_ = false;  // the rest of an over-long line is being dropped
  bool output_ended_ = false;
  bool reaped_ = false;
  int status_ = -1;
};

// For a worker whose parent decides when to stop: Ctrl+C / SIGINT / SIGQUIT
// sent to the terminal's whole process group no longer end it.
void IgnoreTerminalInterrupt();

// For a worker whose answers travel on its standard output, where a library
// or plug-in may print too: the answers get a descriptor of their own, and
// standard output goes to standard error from then on, so such prints cannot
// corrupt them. Call before any library is loaded. Null with *error when the
// descriptors cannot be moved.
std::unique_ptr<std::ostream> TakeStandardOutputForAnswers(std::string* error);
// The back-end's part of it: the moved descriptor as a stream of the C library.
std::FILE* MoveStandardOutputAside(std::string* error);

}  // namespace platform
