// A stand-in for the driver's NVML with the few functions the publisher
// calls. Its answers come from the file named by FAKE_NVML_SCRIPT, read
// again on every call so that a test can change them while it runs:
//   name TEXT | driver TEXT | count N | capability MAJOR MINOR
//   gpu N | encoder N | decoder N | total BYTES | used BYTES
//   (count defaults to 1)
//   fail FUNCTION CODE   (that function answers CODE)
// A figure the script leaves out is "not supported" (code 3).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int kNotSupported = 3;

std::map<std::string, std::string> Script() {
  std::map<std::string, std::string> script;
  const char* path = std::getenv("FAKE_NVML_SCRIPT");
  FILE* file = path ? std::fopen(path, "r") : nullptr;
  if (file == nullptr) return script;
  char line[512];
  while (std::fgets(line, sizeof line, file)) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const size_t space = text.find(' ');
    if (space == std::string::npos) continue;
    std::string key = text.substr(0, space);
    std::string value = text.substr(space + 1);
    if (key == "fail") {
      const size_t gap = value.find(' ');
      key = "fail " + value.substr(0, gap);
      value = gap == std::string::npos ? "999" : value.substr(gap + 1);
    }
    script[key] = value;
  }
  std::fclose(file);
  return script;
}

// The scripted failure of function, else 0.
int Failure(const std::map<std::string, std::string>& script, const char* function) {
  const auto it = script.find(std::string("fail ") + function);
  return it == script.end() ? 0 : std::atoi(it->second.c_str());
}

template <typename T>
int Number(const char* function, const char* key, T* out) {
  const auto script = Script();
  if (int code = Failure(script, function)) return code;
  const auto it = script.find(key);
  if (it == script.end()) return kNotSupported;
  *out = static_cast<T>(std::strtoull(it->second.c_str(), nullptr, 10));
  return 0;
}

int Text(const char* function, const char* key, char* buffer, unsigned length) {
  const auto script = Script();
  if (int code = Failure(script, function)) return code;
  const auto it = script.find(key);
  if (it == script.end()) return kNotSupported;
  std::snprintf(buffer, length, "%s", it->second.c_str());
  return 0;
}

struct Utilization {
  unsigned gpu, memory;
};
struct Memory {
  unsigned long long total, free, used;
};

}  // namespace

extern "C" {

int nvmlInit_v2() { return Failure(Script(), "nvmlInit_v2"); }
int nvmlShutdown() { return 0; }
const char* nvmlErrorString(int code) {
  static char text[32];
  std::snprintf(text, sizeof text, "fake error %d", code);
  return text;
}
int nvmlDeviceGetCount_v2(unsigned* count) {
  const int code = Number("nvmlDeviceGetCount_v2", "count", count);
  if (code != kNotSupported) return code;
  *count = 1;  // one card unless the script says otherwise
  return 0;
}
int nvmlDeviceGetHandleByIndex_v2(unsigned, void** device) {
  static int card;
  *device = &card;
  return Failure(Script(), "nvmlDeviceGetHandleByIndex_v2");
}
int nvmlDeviceGetName(void*, char* name, unsigned length) { return Text("nvmlDeviceGetName", "name", name, length); }
int nvmlSystemGetDriverVersion(char* version, unsigned length) {
  return Text("nvmlSystemGetDriverVersion", "driver", version, length);
}
int nvmlDeviceGetCudaComputeCapability(void*, int* major, int* minor) {
  char text[32] = {};
  if (int code = Text("nvmlDeviceGetCudaComputeCapability", "capability", text, sizeof text)) return code;
  return std::sscanf(text, "%d %d", major, minor) == 2 ? 0 : kNotSupported;
}
int nvmlDeviceGetUtilizationRates(void*, Utilization* utilization) {
  utilization->memory = 0;
  return Number("nvmlDeviceGetUtilizationRates", "gpu", &utilization->gpu);
}
int nvmlDeviceGetEncoderUtilization(void*, unsigned* utilization, unsigned* period) {
  *period = 167000;
  return Number("nvmlDeviceGetEncoderUtilization", "encoder", utilization);
}
#ifndef FAKE_NVML_WITHOUT_DECODER
int nvmlDeviceGetDecoderUtilization(void*, unsigned* utilization, unsigned* period) {
  *period = 167000;
  return Number("nvmlDeviceGetDecoderUtilization", "decoder", utilization);
}
#endif
int nvmlDeviceGetMemoryInfo(void*, Memory* memory) {
  if (int code = Number("nvmlDeviceGetMemoryInfo", "total", &memory->total)) return code;
  if (int code = Number("nvmlDeviceGetMemoryInfo", "used", &memory->used)) return code;
  memory->free = memory->total - memory->used;
  return 0;
}

}  // extern "C"
