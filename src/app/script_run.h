// The part of the run that works on the script, in named steps: analyse,
// load, describe, measure, record.
#pragma once

#include "app/run_options.h"

namespace avs_host {
class LibraryFacts;
}  // namespace avs_host
namespace measure {
class GpuMonitor;
}  // namespace measure
namespace console {
class Console;
}  // namespace console

namespace app {

// Returns the exit status.
int RunScript(const RunConfig& config, const avs_host::LibraryFacts& avsinfo, measure::GpuMonitor* gpu,
              console::Console& console);

}  // namespace app
