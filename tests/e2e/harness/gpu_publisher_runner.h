// Runs the GPU-Z stand-in for the length of a test: started and ready when
// constructed, stopped (and its section gone) when destroyed, so that no test
// leaves a publisher or a stale section behind for the next one.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

// Name of the section the stand-in creates and the program opens.
constexpr const char* kGpuSectionName = "/GPUZShMem";

class GpuPublisher {
 public:
  // `args` are the stand-in's own options (--title, --size, --record, ...).
  // Waits until it reports "ready"; check Ready() before relying on it.
  explicit GpuPublisher(const std::vector<std::string>& args);
  ~GpuPublisher();
  GpuPublisher(const GpuPublisher&) = delete;
  GpuPublisher& operator=(const GpuPublisher&) = delete;

  bool Ready() const { return ready_; }
  // What it printed so far, for failure messages.
  const std::string& Output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool ready_ = false;
  std::string output_;
};

// Path of the stand-in in the build under test.
std::string GpuPublisherPath();

// True when some process on the machine has "gpu-z" in its name (any case):
// the program would take it for GPU-Z.
bool GpuzProcessRunning();

// Removes the section; true when it existed.
bool RemoveGpuSection();

}  // namespace e2e
