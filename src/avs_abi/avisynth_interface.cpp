#include "avs_abi/avisynth_interface.h"

// Null until the host has an environment; see avisynth_interface_host.h.
const AVS_Linkage* g_avs_linkage = nullptr;
