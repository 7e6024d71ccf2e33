// Loads one variant of the bundled frame server the way a host does.
#pragma once

#include <string>

#include "avs_host/avisynth_interface.h"

struct LoadedServer { void* handle = nullptr; IScriptEnvironment* env = nullptr; };

std::string VariantPath(const std::string& variant);
// Opens the variant and, when version >= 0, creates an environment with it
// and takes the table. Unload deletes the environment first.
LoadedServer LoadServer(const std::string& variant, int version);
void UnloadServer(LoadedServer& server);
int ThreadCount();
