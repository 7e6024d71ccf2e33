// A stand-in for the driver's NVML with the few functions the publisher
// calls. Its answers come from the file named by FAKE_NVML_SCRIPT, read
// again on every call so that a test can change them while it runs:
//   name TEXT | driver TEXT | count N (default 1) | capability MAJOR MINOR
//   gpu N | encoder N | decoder N | total BYTES | used BYTES
//   fail FUNCTION CODE   (that function answers CODE)
// A figure the script leaves out is "not supported" (code 3).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int kNotSupported = 3;

std::map<std::string, std::string> Script() {
  std::map<std::string, std::string> script;
  const char* path = std::getenv("FAKE_NVML_SCRIPT");
  std::ifstream in(path ? path : "");
  for (std::string line; std::getline(in, line);) {
    // "fail F CODE" is kept under the key "fail F".
    const size_t end = line.find(' ', line.starts_with("fail ") ? 5 : 0);
    if (end != std::string::npos) script[line.substr(0, end)] = line.substr(end + 1);
  }
  return script;
}

// The scripted failure of `function`, else the text under `key` (none wanted
// when null), else not supported.
int Answer(const char* function, const char* key, std::string* text = nullptr) {
  const auto script = Script();
  if (const auto fail = script.find(std::string("fail ") + function); fail != script.end())
    return std::atoi(fail->second.c_str());
  if (key == nullptr) return 0;
  const auto it = script.find(key);
  if (it == script.end()) return kNotSupported;
  *text = it->second;
  return 0;
}

template <typename T>
int Number(const char* function, const char* key, T* out) {
  std::string text;
  const int code = Answer(function, key, &text);
  if (code == 0) *out = static_cast<T>(std::strtoull(text.c_str(), nullptr, 10));
  return code;
}

int Text(const char* function, const char* key, char* buffer, unsigned length) {
  std::string text;
  const int code = Answer(function, key, &text);
  if (code == 0) std::snprintf(buffer, length, "%s", text.c_str());
  return code;
}

struct Utilization { unsigned gpu, memory; };
struct Memory { unsigned long long total, free, used; };

}  // namespace

extern "C" {

int nvmlInit_v2() { return Answer("nvmlInit_v2", nullptr); }
int nvmlShutdown() { return 0; }
const char* nvmlErrorString(int code) {
  static char text[32];
  std::snprintf(text, sizeof text, "fake error %d", code);
  return text;
}
int nvmlDeviceGetCount_v2(unsigned* count) {
  const int code = Number("nvmlDeviceGetCount_v2", "count", count);
  if (code == kNotSupported) *count = 1;
  return code == kNotSupported ? 0 : code;
}
int nvmlDeviceGetHandleByIndex_v2(unsigned, void** device) {
  static int card;
  *device = &card;
  return Answer("nvmlDeviceGetHandleByIndex_v2", nullptr);
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
