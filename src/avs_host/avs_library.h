// One use of the AviSynth library: load, create an environment, keep its
// linkage table, then release everything in the fixed order.
#pragma once

#include <string>

#include "avs_host/avisynth_interface.h"
#include "platform/library.h"

using CreateScriptEnvironmentFn = IScriptEnvironment* (*)(int version);

// The library named by the AVSDLL setting, or "avisynth" when that is empty.
std::string AvsLibraryName(const std::string& avsdll);

platform::LibraryHandle LoadAvsLibrary(const std::string& avsdll);
CreateScriptEnvironmentFn FindEnvironmentFactory(platform::LibraryHandle library);

// Calls the factory (faults inside it arrive as SE_Exception) and, when it
// gives an environment, adopts its linkage table.
IScriptEnvironment* CreateEnvironment(CreateScriptEnvironmentFn factory, int version);

// Sleeps 100 ms, deletes the environment (when given), forgets the linkage
// table and unloads the library. False when unloading failed.
bool ReleaseEnvironment(IScriptEnvironment* env, platform::LibraryHandle library);

// Forgets the linkage table and unloads the library; for when no environment
// is left (deleted, or never created). False when unloading failed.
bool UnloadLibrary(platform::LibraryHandle library);

// After an error the environment is not deleted, as it may be unusable. The
// library then stays loaded: that environment's threads and objects may still
// run its code, and unmapping it under them would crash the process before
// the run could write its records. Only the linkage table is forgotten; the
// environment is kept on record until the process ends.
void AbandonLibrary(IScriptEnvironment* env, platform::LibraryHandle library);

// AbandonLibrary when env is set, else UnloadLibrary.
void LeaveLibraryAfterError(IScriptEnvironment* env, platform::LibraryHandle library);

// "text" or "text\n<system error>" when the system gave a reason.
std::string WithSystemError(const std::string& text);
