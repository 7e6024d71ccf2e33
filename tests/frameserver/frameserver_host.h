// Loads the bundled frame server (or another library) the way a host does.
#pragma once

#include "avs_abi/avisynth_interface.h"

struct LoadedServer { void* handle = nullptr; IScriptEnvironment* env = nullptr; };

// Creates an environment and takes its table; env stays null on failure. The
// standard variant unless another library file is named.
LoadedServer LoadServer(const char* path = FS_BUILD_DIR "/standard/libavisynth.so");
// Deletes the environment before the library goes.
void UnloadServer(LoadedServer& server);
