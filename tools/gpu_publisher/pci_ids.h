// Card names from the pci.ids list of PCI vendors and devices.
#pragma once

#include <string>
#include <string_view>

namespace gpu_publisher {

// The list's name for vendor:device ("Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]"),
// or empty when the list does not have it.
std::string LookUpPciDevice(std::string_view list, unsigned vendor, unsigned device);

// The list the system keeps, or empty when it has none.
std::string SystemPciIdsPath();

}  // namespace gpu_publisher
