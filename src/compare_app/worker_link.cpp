#include "compare_app/worker_link.h"

#include <cstdio>

#include "compare_worker/worker_protocol.h"
#include "measure/timer.h"
#include "platform/clock.h"

namespace compare_app {
namespace {

constexpr double kPollSeconds = 0.25;
// How long a worker that has said its last word may take to exit.
constexpr double kExitGraceSeconds = 5;

std::string LimitText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", seconds);
  return text;
}

}  // namespace

std::string EndedText(int status) {
  if (status > 255 || status < 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
    return std::string("the worker ended with status ") + hex;
  }
  return "the worker ended with status " + std::to_string(status);
}

bool WorkerLink::Start(const std::string& program, std::string* failure) {
  std::string error;
  if (!process_.Start(program, {std::string(compare_worker::kWorkerArgument)}, &error)) {
    *failure = "cannot start the worker: " + error;
    return false;
  }
  started_ = true;
  return true;
}

int WorkerLink::Reap(double grace_seconds) {
  process_.CloseInput();
  const double until = measure::CounterSeconds() + grace_seconds;
  while (process_.Running() && measure::CounterSeconds() < until) platform::SleepMs(10);
  if (process_.Running()) process_.Kill();
  exit_status_ = process_.Wait();
  started_ = false;
  return exit_status_;
}

void WorkerLink::Send(const std::vector<std::string>& command) {
  process_.Write(compare_worker::JoinFields(command));
}

WorkerLink::Answer WorkerLink::Ask(const std::vector<std::string>& command, double limit_seconds,
                                   const std::function<bool()>& stop,
                                   std::vector<std::string>* fields, std::string* failure) {
  // A worker gone before it could read the command tells why as it ends.
  if (!process_.Write(compare_worker::JoinFields(command))) {
    *failure = EndedText(Reap(kExitGraceSeconds));
    return Answer::kFailed;
  }
  return Next(limit_seconds, stop, fields, failure);
}

WorkerLink::Answer WorkerLink::Next(double limit_seconds, const std::function<bool()>& stop,
                                    std::vector<std::string>* fields, std::string* failure) {
  const double until = measure::CounterSeconds() + limit_seconds;
  std::string line;
  for (;;) {
    const double left = until - measure::CounterSeconds();
    if (left <= 0) {
      process_.Kill();
      Reap(0);
      *failure = "the worker did not answer within " + LimitText(limit_seconds) + " seconds";
      return Answer::kFailed;
    }
    switch (process_.ReadLine(&line, left < kPollSeconds ? left : kPollSeconds)) {
      case platform::ChildProcess::ReadResult::kLine:
        *fields = compare_worker::SplitFields(line);
        if (fields->at(0) == compare_worker::kAnswerError) {
          *failure = fields->size() > 1 ? fields->at(1) : std::string();
          const int status = Reap(kExitGraceSeconds);
          if (failure->empty()) *failure = EndedText(status);
          return Answer::kFailed;
        }
        return Answer::kLine;
      case platform::ChildProcess::ReadResult::kEnd:
        *failure = EndedText(Reap(kExitGraceSeconds));
        return Answer::kFailed;
      case platform::ChildProcess::ReadResult::kTimeout:
        if (stop && stop()) return Answer::kStopped;
        break;
    }
  }
}

void WorkerLink::Quit() {
  if (!started_) return;
  process_.Write(compare_worker::JoinFields({std::string(compare_worker::kCommandQuit)}));
  Reap(kExitGraceSeconds);
}

void WorkerLink::Kill() {
  if (!started_) return;
  process_.Kill();
  Reap(0);
}

}  // namespace compare_app
