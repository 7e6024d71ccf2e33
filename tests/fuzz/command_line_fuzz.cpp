// The argument parser over arbitrary argument lists: the input is split into
// arguments at NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }

  for (bool autocomplete : {false, true}) {
    app::Settings settings;
    settings.AutoCompleteExtension = autocomplete;
    app::CommandLineOptions options;
    std::string message;
    // Accepted switches keep their values inside the ranges the run relies on.
    if (app::ParseArguments(args, &settings, &options, &message)) {
      if (settings.ProcessPriority < 1 || settings.ProcessPriority > 3) __builtin_trap();
      if (settings.TimeLimit != -1 && (settings.TimeLimit < 1 || settings.TimeLimit > 999999)) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
