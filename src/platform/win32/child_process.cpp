#include "platform/child_process.h"

namespace platform {

// Placeholder until the back-end lands: starts nothing.
ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() = default;
bool ChildProcess::Start(const std::string& program, const std::vector<std::string>&, std::string* error) {
  *error = program + ": cannot start programs yet";
  return false;
}
bool ChildProcess::Write(std::string_view) { return false; }
ChildProcess::ReadResult ChildProcess::ReadLine(std::string*, double) { return ReadResult::kEnd; }
void ChildProcess::CloseInput() {}
void ChildProcess::Kill() {}
int ChildProcess::Wait() { return -1; }
bool ChildProcess::Running() const { return false; }
std::string OwnExecutablePath() { return {}; }
void IgnoreTerminalInterrupt() {}

}  // namespace platform
