// korbinet-compare with a stand-in worker, for the controller's ways of
// failing that a real worker cannot be made to show on demand: dying
// without a word, falling silent, answering garbage.
//
// The "script" a variant names is read by the stand-in, one instruction a
// line:
//   fps N               rounds deliver N frames a second, exactly
//   load error TEXT     `load` answers the error TEXT and exits 1
//   load silent         `load` never answers
//   load die            the worker is killed (SIGKILL) at `load`
//   round die K         ... at its K-th round (from 1)
//   round garbage K     its K-th round answers a line that is no round
//   jitter              rounds deliver up to half again or half as many
// Rounds take their length in real time, so that a signal can arrive
// while the run goes on.
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "compare_app/compare_program.h"
#include "compare_worker/worker_protocol.h"
#include "platform/console.h"

namespace {

namespace protocol = compare_worker;

struct Script {
  double fps = 1000;
  bool jitter = false;
  std::string load;  // "", "error", "silent", "die"
  std::string load_text;
  std::string round;  // "", "die", "garbage"
  int round_number = 0;
};

Script ReadScript(const std::string& path) {
  Script script;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "fps") words >> script.fps;
    else if (key == "jitter") script.jitter = true;
    else if (key == "load") std::getline(words >> script.load >> std::ws, script.load_text);
    else if (key == "round") words >> script.round >> script.round_number;
  }
  return script;
}

void Answer(const std::vector<std::string>& fields) { std::cout << protocol::JoinFields(fields) << std::flush; }

int FakeWorker() {
  // As the real worker: Ctrl+C on the terminal is the controller's to handle.
  std::signal(SIGINT, SIG_IGN);
  std::string script_path;
  Script script;
  int rounds = 0;
  for (std::string line; std::getline(std::cin, line);) {
    const std::vector<std::string> f = protocol::SplitFields(line);
    if (f[0] == protocol::kCommandScript && f.size() > 1) script_path = f[1];
    if (f[0] == protocol::kCommandQuit) return 0;
    if (f[0] == protocol::kCommandLoad) {
      script = ReadScript(script_path);
      if (script.load == "silent") std::this_thread::sleep_for(std::chrono::hours(1));
      if (script.load == "die") std::raise(SIGKILL);
      if (script.load == "error") return Answer({"error", script.load_text}), 1;
      Answer({"ready", "0", "99", "1", "Fake " + script_path, "1.2.3.4"});
    }
    if (f[0] == protocol::kCommandRound && f.size() > 1) {
      const double seconds = std::atof(f[1].c_str());
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
      if (++rounds == script.round_number && script.round == "die") std::raise(SIGKILL);
      // Swings no comparison settles on soon.
      const double factor = script.jitter ? 1 + 0.5 * std::sin(rounds * 2.0) : 1;
      if (rounds == script.round_number && script.round == "garbage") Answer({"round", "many"});
      else Answer({"round", std::to_string(static_cast<long long>(script.fps * seconds * factor)), f[1], "0.01",
                   "1048576", "1"});
    }
    if (f[0] == protocol::kCommandStages) Answer({"end"});
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == protocol::kWorkerArgument) return FakeWorker();
  compare_app::ProgramConfig config;
  config.answer_limit_seconds = 2;  // the silent worker's test waits this long
  platform::Keyboard keyboard;
  return compare_app::RunCompare(args, keyboard, config);
}
