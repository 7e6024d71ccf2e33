// Plays GPU-Z on Linux: publishes card facts and sensor readings in the
// shared section the GPU monitor reads, under a process name the monitor's
// scan recognises, until it is told to stop. The figures come from the
// command line or, refreshed, from the card's own driver.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "amdgpu_source.h"
#include "nvidia_source.h"
#include "options.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shared_memory.h"
#include "platform/signals.h"
#include "section_writer.h"
#include "sensor_refresher.h"
#include "text/text.h"

namespace {

using namespace gpu_publisher;

constexpr const char* kSectionName = "/GPUZShMem";

// Messages carry names and texts from outside: printed as data, never as formats.
void Report(const std::string& message) { std::fputs(("gpu-publisher: " + message + "\n").c_str(), stderr); }

std::unique_ptr<GpuSource> OpenSource(const Options& options, std::string* name, std::string* error) {
  std::string nvidia_error, amdgpu_error;
  if (options.source == SourceKind::kNvidia || options.source == SourceKind::kAuto) {
    *name = "nvidia";
    if (auto source = OpenNvidiaSource(options.nvml, &nvidia_error)) return source;
  }
  if (options.source == SourceKind::kAmdgpu || options.source == SourceKind::kAuto) {
    *name = "amdgpu";
    if (auto source = OpenAmdgpuSource(options.sysfs_root, options.pci_ids, &amdgpu_error)) return source;
  }
  if (options.source == SourceKind::kAuto) {
    *error = "no graphics card found\n  nvidia: " + nvidia_error + "\n  amdgpu: " + amdgpu_error;
  } else {
    *error = *name + ": " + (nvidia_error.empty() ? amdgpu_error : nvidia_error);
  }
  return nullptr;
}

// A second publisher would empty the section under the first and its readers.
std::string RunningGpuz() {
  for (std::string name : platform::RunningProcessNames()) {
    std::string lower = name;
    text::ToLower(&lower);
    if (lower.find("gpu-z") != std::string::npos) return name;
  }
  return {};
}

// Refreshes until a stop signal, the time limit or a source that gives up.
int RunLive(const Options& options, SensorRefresher* refresher, const std::string& source_name) {
  const uint32_t start = platform::TickCount32();
  const long long limit_ms = options.seconds < 0 ? -1 : options.seconds * 1000LL;
  for (;;) {
    long long wait = options.interval_ms;
    if (limit_ms >= 0) {
      const long long left = limit_ms - (platform::TickCount32() - start);
      if (left <= 0) break;
      wait = std::min(wait, left);
    }
    if (platform::WaitForTerminationSignalMs(wait)) break;
    switch (refresher->Refresh(platform::TickCount32())) {
      case RefreshResult::kGood:
        break;
      case RefreshResult::kFailed:
        if (refresher->failures_in_a_row() == 1) {
          Report(source_name + ": reading failed, keeping the last figures: " + refresher->last_error());
        }
        break;
      case RefreshResult::kGaveUp:
        Report(source_name + ": no good reading for 5 seconds (" + std::to_string(refresher->failures_in_a_row()) +
               " failed in a row), stopping: " + refresher->last_error());
        return 1;
    }
  }
  if (refresher->failures() > 0) Report(std::to_string(refresher->failures()) + " readings failed in all");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Asked for, the usage goes to standard output and is no error.
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(Usage(), stdout);
    return 0;
  }
  if (argc >= 2 && std::string(argv[1]) == "--version") {
    std::fputs(platform::ProgramVersionLine("gpu-publisher").c_str(), stdout);
    return 0;
  }
  Options options;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options)) {
    std::fputs(Usage(), stderr);
    return 2;
  }
  // Held before the section exists, so that a signal arriving at any point
  // after creation still leads to its removal.
  platform::HoldTerminationSignals();

  std::unique_ptr<GpuSource> source;
  std::string source_name;
  Readings first;
  if (options.source != SourceKind::kFixed) {
    std::string error;
    source = OpenSource(options, &source_name, &error);
    if (source == nullptr) {
      Report(error);
      return 1;
    }
    if (!source->Read(&first, &error)) {
      Report(source_name + ": " + error);
      return 1;
    }
  }
  if (const std::string other = RunningGpuz(); !other.empty()) {
    Report("\"" + other + "\" runs already and owns " + kSectionName + "; stop it first");
    return 1;
  }

  platform::SharedSection section;
  if (std::string reason; !platform::CreateSharedSection(kSectionName, options.size, &section, &reason)) {
    Report(std::string("cannot create ") + kSectionName + ": " + reason);
    return 1;
  }
  SectionWriter writer(section.data, section.size);
  std::vector<Record> records = source ? source->records : std::vector<Record>{};
  for (const auto& [key, value] : options.records) records.push_back({key, value});
  writer.WriteHeaderAndRecords(records);
  for (const auto& [name, value] : options.sensors) {
    if (!writer.AddSensor(name, value)) break;
  }
  std::unique_ptr<SensorRefresher> refresher;
  if (source) refresher = std::make_unique<SensorRefresher>(source.get(), &writer, first, platform::TickCount32());

  // Only now does the monitor's scan find a GPU-Z: it never opens a section
  // whose facts are still being written.
  platform::SetOwnProcessName(options.title);
  std::fputs("ready\n", stdout);
  std::fflush(stdout);

  int status = 0;
  if (refresher) {
    status = RunLive(options, refresher.get(), source_name);
  } else {
    platform::WaitForTerminationSignal(options.seconds);
  }
  writer.ClearSensors();
  platform::CloseSharedSection(&section);
  platform::RemoveSharedSection(kSectionName, nullptr);
  return status;
}
