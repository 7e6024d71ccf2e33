#include "gpu_source.h"

namespace gpu_publisher {

const char* SensorName(Sensor sensor) {
  switch (sensor) {
    case Sensor::kGpuLoad: return "GPU Load";
    case Sensor::kVideoEngineLoad: return "Video Engine Load";
    case Sensor::kMemoryUsed: return "Memory Used";
    case Sensor::kMemoryDedicated: return "Memory Usage (Dedicated)";
    case Sensor::kMemoryDynamic: return "Memory Usage (Dynamic)";
  }
  return "";
}

}  // namespace gpu_publisher
