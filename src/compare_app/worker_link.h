// One worker process and the line exchange with it: a command out, an answer
// back, never a wait without end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/child_process.h"

namespace compare_app {

class WorkerLink {
 public:
  enum class Answer { kLine, kFailed, kStopped };

  // Starts `program --worker`. False with *failure.
  bool Start(const std::string& program, std::string* failure);

  // Sends a command that has no answer (the set-up). A worker gone by then
  // is found out at the next Ask.
  void Send(const std::vector<std::string>& command);
  // Sends one command and reads its answer line, split into fields, waiting
  // at most limit_seconds. `stop` is asked about every quarter second while
  // waiting; true gives up the wait with kStopped, the worker left running.
  // kFailed, with *failure, when the worker answered `error` (its text),
  // ended without an answer (how it ended), or stayed silent past the limit
  // (it is killed); the worker has then been reaped.
  Answer Ask(const std::vector<std::string>& command, double limit_seconds,
             const std::function<bool()>& stop, std::vector<std::string>* fields,
             std::string* failure);
  // The next answer line of a command that has several (`stages`).
  Answer Next(double limit_seconds, const std::function<bool()>& stop,
              std::vector<std::string>* fields, std::string* failure);

  // Sends `quit` and closes its input; the worker ends by itself, or is
  // killed when it does not within a few seconds.
  void Quit();
  // Ends it at once (a wait the user stopped, a worker out of step).
  void Kill();

  // The exit status once the worker has been reaped after a failure; -1
  // before.
  int ExitStatus() const { return exit_status_; }

 private:
  // Reaps the worker once its output has ended, giving it a moment to exit
  // on its own first.
  int Reap(double grace_seconds);

  platform::ChildProcess process_;
  bool started_ = false;
  int exit_status_ = -1;
};

// "the worker ended with status 139"; Windows' crash codes in hexadecimal,
// as its documentation lists them.
std::string EndedText(int status);

}  // namespace compare_app
