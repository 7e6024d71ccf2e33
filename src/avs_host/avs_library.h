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

// Forgets the linkage table and unloads the library without deleting an
// environment (after an error, when the environment may be unusable).
bool UnloadWithoutDelete(platform::LibraryHandle library);

// "text" or "text\n<system error>" when the system gave a reason.
std::string WithSystemError(const std::string& text);
