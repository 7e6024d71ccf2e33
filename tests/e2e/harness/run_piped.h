// Runs the program with its standard streams on pipes, as a script or a CI
// job would, and collects everything it writes.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class Sandbox;

struct ProcessResult {
  int exit_status = -1;  // 0-255 when the process exited (-1 shows as 255)
  int signal = 0;        // the signal that ended it, 0 when it exited
  bool timed_out = false;
  std::string out;
  std::string err;
};

constexpr std::chrono::seconds kDefaultTimeout{60};

// Runs the sandbox's program in the sandbox folder with `args`. Standard input
// is a pipe that carries `stdin_text` and is then closed, or /dev/null when no
// text is given. At the timeout the child is killed and the test fails.
ProcessResult RunPiped(const Sandbox& sandbox, const std::vector<std::string>& args,
                       std::optional<std::string> stdin_text = std::nullopt,
                       std::chrono::milliseconds timeout = kDefaultTimeout);

// Readable summary for failure messages.
std::string Describe(const ProcessResult& result);

}  // namespace e2e
