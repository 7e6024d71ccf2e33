// Figures of an AMD card from the amdgpu driver's sysfs files.
#pragma once

#include <memory>
#include <string>

#include "gpu_source.h"

namespace gpu_publisher {

// Opens the first card under sysfs_root/class/drm that the amdgpu driver
// serves; pci_ids names it (empty: the system's list). Null with the reason
// in error when there is none or its files cannot be read.
std::unique_ptr<GpuSource> OpenAmdgpuSource(const std::string& sysfs_root, const std::string& pci_ids,
                                            std::string* error);

}  // namespace gpu_publisher
