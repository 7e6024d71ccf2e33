// The part of the run that works on the script, in named steps: analyse,
// load, describe, measure, record.
#pragma once

#include "app/run_options.h"

class CAvisynthInfo;
class CGPUInfo;
class Console;

// Returns the exit status.
int RunScript(const RunConfig& config, const CAvisynthInfo& avsinfo, CGPUInfo* gpu,
              Console& console);
