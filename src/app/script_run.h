// The part of the run that works on the script, in named steps: analyse,
// load, describe, measure, record.
#pragma once

#include "app/run_options.h"

class LibraryFacts;
class GpuMonitor;
class Console;

// Returns the exit status.
int RunScript(const RunConfig& config, const LibraryFacts& avsinfo, GpuMonitor* gpu,
              Console& console);
