// korbinet-compare: the controller, or with --worker first one of its
// workers, so that a single file holds both.
#include <string>
#include <vector>

#include "compare_app/compare_program.h"
#include "compare_worker/worker.h"
#include "compare_worker/worker_protocol.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  if (!args.empty() && args[0] == compare_worker::kWorkerArgument) {
    return compare_worker::RunWorkerOnStandardStreams();
  }
  platform::Keyboard keyboard;  // standard input's one reader, handed down
  return compare_app::RunCompare(args, keyboard);
}
