// GPU monitor over the shared-memory section that GPU-Z publishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "measure/timer.h"
#include "platform/shared_memory.h"

namespace measure {

// What the scan of process names found.
struct GpuzScan {
  bool found = false;
  std::string version_text;
};

// Looks at one process name (standing in for a window title) and notes a
// GPU-Z in scan; returns true to go on scanning.
bool FindGpuzWindow(const std::string& title, GpuzScan* scan);

class GpuMonitor {
 public:
  // Looks for a running GPU-Z (a process whose name contains "gpu-z").
  GpuMonitor();
  // For tests: an object that skips the process scan and its pause, taking
  // the scan's outcome as given.
  struct NoProcessScan {};
  explicit GpuMonitor(NoProcessScan, const GpuzScan& scan = {});
  virtual ~GpuMonitor();
  // It owns a mapping: a copy would release it twice.
  GpuMonitor(const GpuMonitor&) = delete;
  GpuMonitor& operator=(const GpuMonitor&) = delete;

  // False with the system's reason in error.
  bool OpenSharedMemory(std::string* error);
  void ReadCardInfo();
  void RefreshSensors();
  void CloseSharedMemory();

  // Reads the card facts and sensors from a section already in memory (the
  // core of ReadCardInfo and RefreshSensors; for tests). size may be smaller
  // than the full layout: only what lies wholly inside it is read.
  void ReadCardInfoFrom(const unsigned char* data, size_t size);
  void ReadSensorsFrom(const unsigned char* data, size_t size);
  // RefreshSensors at a given reading of the GPU monitor's tick.
  void RefreshSensorsFrom(uint64_t tick_ms, const unsigned char* data, size_t size);

  static bool IsVersionText(const std::string& text);

  uint16_t gpu_load = 0;
  uint16_t video_engine_load = 0;
  uint32_t memory_used = 0;
  uint32_t memory_dedicated = 0;
  uint32_t memory_dynamic = 0;
  std::string gpuz_version;
  std::string card_name;
  std::string gpu_name;
  std::string memory_size;
  std::string opencl_version;
  std::string driver_version;
  bool video_engine_available = false;
  bool has_memory_used = false;
  bool has_memory_dynamic = false;
  bool has_memory_dedicated = false;
  bool gpuz_running = false;
  bool shared_memory_open = false;

 private:
  platform::SharedSection section_;
  std::string gpuz_version_text_;
  TickMs tick_;
  // Tick of the last sensor refresh; 0 lets the first refresh through.
  uint64_t last_sensor_refresh_ = 0;
};

}  // namespace measure
