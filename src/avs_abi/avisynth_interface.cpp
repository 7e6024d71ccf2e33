#include "avs_abi/avisynth_interface.h"

// Null until the host has an environment; see avisynth_interface_host.h.
// Program-wide by the C++ interface's design: the value classes reach the
// library's linkage table through one pointer, as the library's own headers
// do, since their inline members have no object to carry it.
const AVS_Linkage* g_avs_linkage = nullptr;
