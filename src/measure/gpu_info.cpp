#include "measure/gpu_info.h"

#include "measure/gpuz_layout.h"
#include "measure/timer.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "text/text.h"

namespace measure {

namespace {

constexpr uint64_t kSensorRefreshMs = 300;
constexpr size_t kTitleMaxChars = 63;
constexpr size_t kVersionChars = 5;

}  // namespace

bool FindGpuzWindow(const std::string& title, GpuzScan* scan) {
  std::string lower = title.substr(0, kTitleMaxChars);
  text::ToLower(&lower);
  if (lower.find("gpu-z") != std::string::npos) {
    scan->found = true;
    scan->version_text =
        lower.size() > kVersionChars ? lower.substr(lower.size() - kVersionChars) : lower;
  }
  return true;
}

GpuMonitor::GpuMonitor() {
  GpuzScan scan;
  for (const std::string& name : platform::RunningProcessNames()) {
    if (!FindGpuzWindow(name, &scan)) break;
  }
  platform::SleepMs(100);
  gpuz_running = scan.found;
  gpuz_version_text_ = scan.version_text;
}

GpuMonitor::GpuMonitor(NoProcessScan, const GpuzScan& scan)
    : gpuz_version_text_(scan.version_text) {}

GpuMonitor::~GpuMonitor() { CloseSharedMemory(); }

bool GpuMonitor::OpenSharedMemory(std::string* error) {
  // Opening again must not leak the mapping already held.
  CloseSharedMemory();
  if (!platform::OpenSharedSection("/GPUZShMem", &section_, error)) {
    section_ = platform::SharedSection{};
    return false;
  }
  shared_memory_open = true;
  ReadCardInfo();
  return true;
}

void GpuMonitor::ReadCardInfo() {
  ReadCardInfoFrom(section_.data, section_.size);
}

void GpuMonitor::ReadCardInfoFrom(const unsigned char* data, size_t size) {
  video_engine_available = false;
  gpuz_version = IsVersionText(gpuz_version_text_) ? gpuz_version_text_ : "Unknown";

  uint8_t cuda = 0;
  double capability = 0.0;
  for (size_t i = 0; i < gpuz::kRecordCount; ++i) {
    const unsigned char* record = gpuz::RecordAt(data, size, i);
    if (record == nullptr) break;  // later records lie further out still
    std::string value = gpuz::Utf16ToUtf8(
        gpuz::ReadTextField(record + gpuz::kRecordValueOffset), gpuz::kMaxUtf8Bytes);
    text::Trim(&value);
    if (value.empty()) continue;

    const std::u16string key = gpuz::ReadTextField(record);
    if (key == u"CardName") {
      card_name = value;
    } else if (key == u"GPUName") {
      gpu_name = value;
    } else if (key == u"MemSize") {
      memory_size = value;
    } else if (key == u"DriverVersion") {
      driver_version = value;
    } else if (key == u"OpenCL_Version") {
      opencl_version = value;
    } else if (key == u"CUDA") {
      cuda = gpuz::LeadingInteger8(value);
    } else if (key == u"CUDA_Capability") {
      capability = gpuz::LeadingNumber(value);
    }
  }
  video_engine_available = (cuda != 0 && capability >= 1.0);
  has_memory_used = has_memory_dynamic = has_memory_dedicated = false;
}

void GpuMonitor::RefreshSensors() {
  RefreshSensorsFrom(tick_(), section_.data, section_.size);
}

void GpuMonitor::RefreshSensorsFrom(uint64_t tick_ms, const unsigned char* data, size_t size) {
  if (tick_ms - last_sensor_refresh_ < kSensorRefreshMs) return;
  ReadSensorsFrom(data, size);
  last_sensor_refresh_ = tick_ms;
}

void GpuMonitor::ReadSensorsFrom(const unsigned char* data, size_t size) {
  gpu_load = video_engine_load = 0;
  memory_used = memory_dedicated = memory_dynamic = 0;

  constexpr uint64_t kLoadMax = UINT16_MAX;
  constexpr uint64_t kMemoryMax = UINT32_MAX;
  for (size_t i = 0; i < gpuz::kSensorCount; ++i) {
    const unsigned char* sensor = gpuz::SensorAt(data, size, i);
    if (sensor == nullptr) break;
    const std::u16string name = gpuz::ReadTextField(sensor);
    if (name.empty()) continue;
    const double value = gpuz::ReadUnalignedDouble(sensor + gpuz::kSensorValueOffset);
    if (name == u"GPU Load") {
      gpu_load = static_cast<uint16_t>(gpuz::RoundClamped(value, kLoadMax));
    } else if (name == u"Video Engine Load") {
      if (video_engine_available) {
        video_engine_load = static_cast<uint16_t>(gpuz::RoundClamped(value, kLoadMax));
      }
    } else if (name == u"Memory Used") {
      has_memory_used = true;
      memory_used = static_cast<uint32_t>(gpuz::RoundClamped(value, kMemoryMax));
    } else if (name == u"Memory Usage (Dedicated)") {
      has_memory_dedicated = true;
      memory_dedicated = static_cast<uint32_t>(gpuz::RoundClamped(value, kMemoryMax));
    } else if (name == u"Memory Usage (Dynamic)") {
      has_memory_dynamic = true;
      memory_dynamic = static_cast<uint32_t>(gpuz::RoundClamped(value, kMemoryMax));
    }
  }
}

void GpuMonitor::CloseSharedMemory() {
  if (!shared_memory_open) return;
  platform::CloseSharedSection(&section_);
  section_ = platform::SharedSection{};
  shared_memory_open = false;
}

bool GpuMonitor::IsVersionText(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if ((c < '0' || c > '9') && c != '.') return false;
  }
  return true;
}

}  // namespace measure
