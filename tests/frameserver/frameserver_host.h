// Loads the standard variant of the bundled frame server the way a host does.
#pragma once

#include "avs_abi/avisynth_interface.h"

struct LoadedServer { void* handle = nullptr; IScriptEnvironment* env = nullptr; };

// Creates an environment and takes its table; env stays null on failure.
LoadedServer LoadServer();
// Deletes the environment before the library goes.
void UnloadServer(LoadedServer& server);
