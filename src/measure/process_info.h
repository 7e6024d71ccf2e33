// CPU usage, memory and thread count of the own process, sampled on request
// while frames are read.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/process.h"

namespace measure {

// Where the figures come from. The real one asks the platform layer; tests
// hand in fixed readings. Only called at sampling points, never per frame.
class ProcessStatsSource {
 public:
  virtual ~ProcessStatsSource() = default;
  virtual bool SystemTimes(platform::SystemTimes* times) = 0;
  virtual bool ProcessTimes(platform::ProcessTimes* times) = 0;
  virtual bool Memory(platform::MemoryCounters* counters) = 0;
  virtual int Threads() = 0;
  // Wrap-adjusted millisecond tick of this sampler.
  virtual uint64_t TickMs() = 0;
};

// The platform layer, with a tick of its own.
std::unique_ptr<ProcessStatsSource> MakeSystemProcessStats();

class ProcessStats {
 public:
  // Figures from the platform layer.
  ProcessStats();
  explicit ProcessStats(ProcessStatsSource& source);
  virtual ~ProcessStats() = default;
  ProcessStats(const ProcessStats&) = delete;
  ProcessStats& operator=(const ProcessStats&) = delete;

  // New figures when at least 100 ms have passed since the last refresh.
  void Refresh();
  // Share of all processors' time used by this process since the previous
  // sample, low 8 bits of the percentage.
  uint8_t SampleCpuUsage();
  uint16_t CountThreads();
  // Linux keeps no process handle open; only the state is tracked.
  void CloseProcessHandle() { process_open_ = false; }
  bool process_open() const { return process_open_; }

  uint16_t cpu_usage = 0;
  uint16_t thread_count = 0;
  uint32_t physical_memory = 0;  // MB
  uint32_t virtual_memory = 0;   // MB

 private:
  std::unique_ptr<ProcessStatsSource> owned_source_;  // set by the default constructor
  ProcessStatsSource& source_;
  uint8_t last_sampled_cpu_ = 0;
  bool first_sample_ = true;
  uint64_t previous_system_kernel_ = 0;
  uint64_t previous_system_user_ = 0;
  uint64_t previous_process_kernel_ = 0;
  uint64_t previous_process_user_ = 0;
  bool process_open_ = true;
  platform::MemoryCounters memory_{};
  std::atomic<int32_t> sampling_guard_{0};
  // Rate-limit times in ticks of this sampler. The program has one sampler,
  // so keeping them here equals keeping them program-wide.
  uint64_t last_refresh_ = 0;
  uint64_t last_thread_count_ = 0;
};

}  // namespace measure
