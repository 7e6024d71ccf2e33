// The part of the run that works on the script: analysis, loading, the
// guarded stage (report, frame range, frame loop, summary) and the normal end
// with the log and CSV files.
#pragma once

#include <string>

#include "app/command_line.h"

class CAvisynthInfo;
class CGPUInfo;

// Returns the exit status.
int RunScript(const CommandLineOptions& options, const CAvisynthInfo& avsinfo,
              const std::string& program_version,
              CGPUInfo* gpu);
