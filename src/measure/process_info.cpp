#include "measure/process_info.h"

#include "measure/timer.h"

namespace measure {

namespace {

class PlatformProcessStats final : public ProcessStatsSource {
 public:
  bool SystemTimes(platform::SystemTimes* times) override {
    return platform::ReadSystemTimes(times, nullptr);
  }
  bool ProcessTimes(platform::ProcessTimes* times) override {
    return platform::ReadProcessTimes(times, nullptr);
  }
  bool Memory(platform::MemoryCounters* counters) override {
    return platform::ReadMemoryUse(counters, nullptr);
  }
  int Threads() override { return platform::CountOwnThreads(); }
  uint64_t TickMs() override { return tick_(); }

 private:
  measure::TickMs tick_;
};

uint32_t BytesToMegabytes(uint64_t bytes) {
  return static_cast<uint32_t>(static_cast<double>(bytes) * (1.0 / 1048576.0) + 0.5);
}

}  // namespace

std::unique_ptr<ProcessStatsSource> MakeSystemProcessStats() {
  return std::make_unique<PlatformProcessStats>();
}

ProcessStats::ProcessStats()
    : owned_source_(MakeSystemProcessStats()), source_(*owned_source_) {
  thread_count = CountThreads();
}

ProcessStats::ProcessStats(ProcessStatsSource& source) : source_(source) {
  thread_count = CountThreads();
}

void ProcessStats::Refresh() {
  const uint64_t now = source_.TickMs();
  if (now - last_refresh_ < 100) return;

  const uint8_t cpu = SampleCpuUsage();
  last_sampled_cpu_ = cpu;
  first_sample_ = false;
  cpu_usage = (cpu >= 1 && cpu <= 100) ? cpu : 0;

  if (source_.TickMs() - last_thread_count_ > 5000) {
    thread_count = CountThreads();
    last_thread_count_ = source_.TickMs();
  }

  // A failed query keeps the previous counters.
  source_.Memory(&memory_);
  physical_memory = BytesToMegabytes(memory_.working_set);
  virtual_memory = BytesToMegabytes(memory_.pagefile_usage);

  last_refresh_ = source_.TickMs();
}

uint8_t ProcessStats::SampleCpuUsage() {
  if (sampling_guard_.fetch_add(1) != 0) {
    sampling_guard_.fetch_sub(1);
    return last_sampled_cpu_;
  }
  platform::SystemTimes system;
  platform::ProcessTimes process;
  if (source_.SystemTimes(&system) && source_.ProcessTimes(&process)) {
    if (!first_sample_) {
      const uint64_t system_delta = (system.kernel - previous_system_kernel_) +
                                    (system.user - previous_system_user_);
      const uint64_t process_delta = (process.kernel - previous_process_kernel_) +
                                     (process.user - previous_process_user_);
      if (system_delta != 0) {
        const double percent = static_cast<double>(process_delta) * 100.0 /
                               static_cast<double>(system_delta);
        // Only the low byte is kept, as the field is 8 bits wide; Refresh
        // publishes anything outside 1..100 as 0. A counter that ran
        // backwards gives a value no integer holds: treat it as 0.
        const uint64_t whole =
            percent < 18446744073709551616.0 ? static_cast<uint64_t>(percent) : 0;
        last_sampled_cpu_ = static_cast<uint8_t>(whole & 0xFF);
      }
    }
    previous_system_kernel_ = system.kernel;
    previous_system_user_ = system.user;
    previous_process_kernel_ = process.kernel;
    previous_process_user_ = process.user;
  }
  sampling_guard_.fetch_sub(1);
  return last_sampled_cpu_;
}

uint16_t ProcessStats::CountThreads() {
  const int threads = source_.Threads();
  return threads > 0 ? static_cast<uint16_t>(threads) : 0;
}

}  // namespace measure
