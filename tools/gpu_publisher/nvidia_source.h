// Figures of an NVIDIA card from the driver's NVML library, loaded at run
// time so that the publisher builds and starts without it.
#pragma once

#include <memory>
#include <string>

#include "gpu_source.h"

namespace gpu_publisher {

// Loads NVML from nvml (a file name the loader searches for, or a path) and
// opens the first card. Null with the reason in error when the library, one
// of its functions or the card is missing, or the driver answers an error.
std::unique_ptr<GpuSource> OpenNvidiaSource(const std::string& nvml, std::string* error);

}  // namespace gpu_publisher
