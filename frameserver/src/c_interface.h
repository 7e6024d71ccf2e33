// The plain C interface over the environment.
#pragma once

#include "avs_abi/avisynth_c.h"

class IScriptEnvironment;

// The C handle for a new environment; null stays null.
AVS_ScriptEnvironment* WrapEnvironment(IScriptEnvironment* env);
