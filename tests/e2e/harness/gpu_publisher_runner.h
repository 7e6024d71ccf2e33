// Runs the GPU-Z stand-in for the length of a test; its section goes with it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

constexpr const char* kGpuSectionName = "/GPUZShMem";

class GpuPublisher {
 public:
  // Waits until it reports "ready".
  explicit GpuPublisher(const std::vector<std::string>& args);
  ~GpuPublisher();
  GpuPublisher(const GpuPublisher&) = delete;
  GpuPublisher& operator=(const GpuPublisher&) = delete;

  bool Ready() const { return ready_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool ready_ = false;
};

// True when a process named like "gpu-z" (any case) runs: the program would take it for GPU-Z.
bool GpuzProcessRunning();

bool RemoveGpuSection();

}  // namespace e2e
