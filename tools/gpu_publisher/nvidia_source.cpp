#include "nvidia_source.h"

#include <algorithm>
#include <type_traits>

#include "platform/library.h"

namespace gpu_publisher {

namespace {

// NVML's types and codes, as its C interface defines them.
using NvmlReturn = int;
using NvmlDevice = void*;
constexpr NvmlReturn kNvmlSuccess = 0;
constexpr NvmlReturn kNvmlNotSupported = 3;
constexpr unsigned kNameBufferSize = 96;
constexpr unsigned kDriverVersionBufferSize = 80;

struct NvmlUtilization {
  unsigned gpu;
  unsigned memory;
};
struct NvmlMemory {
  unsigned long long total;
  unsigned long long free;
  unsigned long long used;
};

struct Nvml {
  NvmlReturn (*Init)();
  NvmlReturn (*Shutdown)();
  const char* (*ErrorString)(NvmlReturn);
  NvmlReturn (*GetCount)(unsigned*);
  NvmlReturn (*GetHandleByIndex)(unsigned, NvmlDevice*);
  NvmlReturn (*GetName)(NvmlDevice, char*, unsigned);
  NvmlReturn (*GetDriverVersion)(char*, unsigned);
  NvmlReturn (*GetCudaComputeCapability)(NvmlDevice, int*, int*);
  NvmlReturn (*GetUtilizationRates)(NvmlDevice, NvmlUtilization*);
  NvmlReturn (*GetEncoderUtilization)(NvmlDevice, unsigned*, unsigned*);
  NvmlReturn (*GetDecoderUtilization)(NvmlDevice, unsigned*, unsigned*);
  NvmlReturn (*GetMemoryInfo)(NvmlDevice, NvmlMemory*);
};

// Texts from the driver are data: cut at their terminator whatever happens.
std::string FromBuffer(const char* buffer, size_t size) {
  return std::string(buffer, std::find(buffer, buffer + size, '\0'));
}

class NvidiaSource : public GpuSource {
 public:
  explicit NvidiaSource(platform::LibraryHandle library) : library_(library) {}
  ~NvidiaSource() override {
    if (initialised_) nvml_.Shutdown();
    platform::CloseLibrary(library_, nullptr);
  }
  NvidiaSource(const NvidiaSource&) = delete;
  NvidiaSource& operator=(const NvidiaSource&) = delete;

  bool Open(std::string* error);
  bool Read(Readings* readings, std::string* error) override;

 private:
  bool FindFunctions(std::string* error);
  // False, with "call: reason" in error, unless result is success.
  bool Check(NvmlReturn result, const char* call, std::string* error) const {
    if (result == kNvmlSuccess) return true;
    const char* text = nvml_.ErrorString(result);
    *error = std::string(call) + ": " + (text != nullptr ? FromBuffer(text, 256) : "error " + std::to_string(result));
    return false;
  }

  platform::LibraryHandle library_;
  Nvml nvml_{};
  bool initialised_ = false;
  NvmlDevice device_ = nullptr;
  bool has_encoder_ = false;
  bool has_decoder_ = false;
};

bool NvidiaSource::FindFunctions(std::string* error) {
  const auto find = [&](auto* function, const char* name) {
    platform::SymbolAddress address = platform::FindSymbol(library_, name, nullptr);
    if (address == nullptr && error->empty()) *error = std::string("NVML has no ") + name;
    *function = reinterpret_cast<std::remove_pointer_t<decltype(function)>>(address);
  };
  error->clear();
  find(&nvml_.Init, "nvmlInit_v2");
  find(&nvml_.Shutdown, "nvmlShutdown");
  find(&nvml_.ErrorString, "nvmlErrorString");
  find(&nvml_.GetCount, "nvmlDeviceGetCount_v2");
  find(&nvml_.GetHandleByIndex, "nvmlDeviceGetHandleByIndex_v2");
  find(&nvml_.GetName, "nvmlDeviceGetName");
  find(&nvml_.GetDriverVersion, "nvmlSystemGetDriverVersion");
  find(&nvml_.GetCudaComputeCapability, "nvmlDeviceGetCudaComputeCapability");
  find(&nvml_.GetUtilizationRates, "nvmlDeviceGetUtilizationRates");
  find(&nvml_.GetEncoderUtilization, "nvmlDeviceGetEncoderUtilization");
  find(&nvml_.GetDecoderUtilization, "nvmlDeviceGetDecoderUtilization");
  find(&nvml_.GetMemoryInfo, "nvmlDeviceGetMemoryInfo");
  return error->empty();
}

bool NvidiaSource::Open(std::string* error) {
  if (!FindFunctions(error)) return false;
  if (!Check(nvml_.Init(), "nvmlInit_v2", error)) return false;
  initialised_ = true;
  unsigned count = 0;
  if (!Check(nvml_.GetCount(&count), "nvmlDeviceGetCount_v2", error)) return false;
  if (count == 0) {
    *error = "the driver reports no card";
    return false;
  }
  if (!Check(nvml_.GetHandleByIndex(0, &device_), "nvmlDeviceGetHandleByIndex_v2", error)) return false;

  char name[kNameBufferSize] = {};
  if (!Check(nvml_.GetName(device_, name, sizeof name), "nvmlDeviceGetName", error)) return false;
  records.push_back({"CardName", FromBuffer(name, sizeof name)});
  NvmlMemory memory{};
  if (!Check(nvml_.GetMemoryInfo(device_, &memory), "nvmlDeviceGetMemoryInfo", error)) return false;
  records.push_back({"MemSize", std::to_string(memory.total >> 20) + " MB"});
  char version[kDriverVersionBufferSize] = {};
  if (!Check(nvml_.GetDriverVersion(version, sizeof version), "nvmlSystemGetDriverVersion", error)) return false;
  records.push_back({"DriverVersion", FromBuffer(version, sizeof version)});
  // Korbinet shows the video engine only for a card with CUDA, as GPU-Z reports it.
  int major = 0, minor = 0;
  const NvmlReturn capability = nvml_.GetCudaComputeCapability(device_, &major, &minor);
  if (capability != kNvmlNotSupported) {
    if (!Check(capability, "nvmlDeviceGetCudaComputeCapability", error)) return false;
    records.push_back({"CUDA", "1"});
    records.push_back({"CUDA_Capability", std::to_string(major) + "." + std::to_string(minor)});
  }
  // A card without an encoder or decoder says so once; it never gains one.
  unsigned value = 0, period = 0;
  const NvmlReturn encoder = nvml_.GetEncoderUtilization(device_, &value, &period);
  const NvmlReturn decoder = nvml_.GetDecoderUtilization(device_, &value, &period);
  has_encoder_ = encoder != kNvmlNotSupported;
  has_decoder_ = decoder != kNvmlNotSupported;
  return true;
}

bool NvidiaSource::Read(Readings* readings, std::string* error) {
  bool good = true;
  const auto check = [&](NvmlReturn result, const char* call) {
    std::string reason;
    if (Check(result, call, &reason)) return true;
    if (good) *error = reason;
    good = false;
    return false;
  };
  NvmlUtilization utilisation{};
  if (check(nvml_.GetUtilizationRates(device_, &utilisation), "nvmlDeviceGetUtilizationRates")) {
    (*readings)[Sensor::kGpuLoad] = utilisation.gpu;
  }
  // The video engine is the busier of the two.
  unsigned encoder = 0, decoder = 0, period = 0;
  const bool encoder_good =
      !has_encoder_ || check(nvml_.GetEncoderUtilization(device_, &encoder, &period), "nvmlDeviceGetEncoderUtilization");
  const bool decoder_good =
      !has_decoder_ || check(nvml_.GetDecoderUtilization(device_, &decoder, &period), "nvmlDeviceGetDecoderUtilization");
  if ((has_encoder_ || has_decoder_) && encoder_good && decoder_good) {
    (*readings)[Sensor::kVideoEngineLoad] = std::max(encoder, decoder);
  }
  NvmlMemory memory{};
  if (check(nvml_.GetMemoryInfo(device_, &memory), "nvmlDeviceGetMemoryInfo")) {
    // NVML counts the card's own memory only: used and dedicated are the same
    // figure, and it has none for system memory lent to the card.
    (*readings)[Sensor::kMemoryUsed] = (*readings)[Sensor::kMemoryDedicated] = BytesToMb(memory.used);
  }
  return good;
}

}  // namespace

std::unique_ptr<GpuSource> OpenNvidiaSource(const std::string& nvml, std::string* error) {
  std::string reason;
  platform::LibraryHandle library = platform::OpenSystemLibrary(nvml, &reason);
  if (library == nullptr) {
    *error = "cannot load NVML (" + nvml + "): " + reason;
    return nullptr;
  }
  auto source = std::make_unique<NvidiaSource>(library);
  if (!source->Open(error)) return nullptr;
  return source;
}

}  // namespace gpu_publisher
