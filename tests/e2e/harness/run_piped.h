// Runs the program on pipes, as a script or a CI job would.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class Sandbox;

struct ProcessResult {
  int exit_status = -1, signal = 0;  // signal: the one that ended it, 0 when it exited
  std::string out, err;
};

// A signal sent to the program once `after` appears on its standard error, after the previous cue's text.
struct SignalCue {
  std::string after;
  int signal = 0;
};

// Standard input carries `stdin_text` and is then closed, or is /dev/null. At the timeout the child is
// killed and the test fails. `program` runs in the program's place, in its folder and as its user.
ProcessResult RunPiped(const Sandbox& sandbox, const std::vector<std::string>& args, std::optional<std::string> stdin_text = std::nullopt,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60), std::string program = "",
                       const std::vector<SignalCue>& cues = {});

// For failure messages: control bytes shown, so texts that differ only in them can be told apart.
std::string Describe(const ProcessResult& result);

}  // namespace e2e
