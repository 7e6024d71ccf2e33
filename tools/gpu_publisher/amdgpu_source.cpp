#include "amdgpu_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pci_ids.h"
#include "platform/files.h"

namespace gpu_publisher {

namespace {

// Attributes are a number and a line end; anything longer is not one.
constexpr size_t kMaxAttributeBytes = 64;
constexpr size_t kMaxPciIdsBytes = 16u << 20;

// Control bytes and overlong contents would garble the message they go into.
std::string Printable(const std::string& text) {
  std::string out;
  for (char c : text.substr(0, 32)) out += (c >= ' ' && c != '\x7f') ? c : '?';
  return text.size() > 32 ? out + "..." : out;
}

// An unsigned number in base (10, or 16 with its "0x"), one line end allowed.
bool ReadNumber(const std::string& path, int base, unsigned long long* value, std::string* error) {
  std::string text;
  if (std::string reason; !platform::ReadSmallFile(path, kMaxAttributeBytes, &text, &reason)) {
    *error = "cannot read " + path + ": " + reason;
    return false;
  }
  std::string digits = text;
  if (!digits.empty() && digits.back() == '\n') digits.pop_back();
  if (base == 16 && digits.starts_with("0x")) digits.erase(0, 2);
  const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
  char* end = nullptr;
  errno = 0;
  if (!digits.empty() && digits.find_first_not_of(allowed) == std::string::npos) {
    *value = std::strtoull(digits.c_str(), &end, base);
  }
  if (end == nullptr || *end != '\0' || errno != 0) {
    *error = path + " holds no number: \"" + Printable(text) + "\"";
    return false;
  }
  return true;
}

// The card number of "cardN", or -1 for a connector ("card0-DP-1") or anything else.
long CardNumber(const std::string& name) {
  if (!name.starts_with("card") || name.size() == 4 || name.size() > 9) return -1;
  if (name.find_first_not_of("0123456789", 4) != std::string::npos) return -1;
  return std::strtol(name.c_str() + 4, nullptr, 10);
}

class AmdgpuSource : public GpuSource {
 public:
  explicit AmdgpuSource(std::string device) : device_(std::move(device)) {}

  bool Read(Readings* readings, std::string* error) override {
    bool good = true;
    // Each figure on its own: one unreadable file does not cost the others.
    const auto read = [&](const char* file, auto store) {
      unsigned long long value = 0;
      std::string reason;
      if (ReadNumber(device_ + file, 10, &value, &reason)) {
        store(value);
      } else if (good) {
        good = false;
        *error = reason;
      }
    };
    read("/gpu_busy_percent", [&](unsigned long long v) { (*readings)[Sensor::kGpuLoad] = double(v); });
    read("/mem_info_vram_used", [&](unsigned long long v) {
      (*readings)[Sensor::kMemoryUsed] = (*readings)[Sensor::kMemoryDedicated] = BytesToMb(v);
    });
    read("/mem_info_gtt_used", [&](unsigned long long v) { (*readings)[Sensor::kMemoryDynamic] = BytesToMb(v); });
    return good;
  }

 private:
  std::string device_;
};

}  // namespace

std::unique_ptr<GpuSource> OpenAmdgpuSource(const std::string& sysfs_root, const std::string& pci_ids,
                                            std::string* error) {
  const std::string drm = sysfs_root + "/class/drm";
  std::vector<std::string> names;
  if (std::string reason; !platform::ListDirectory(drm, &names, &reason)) {
    *error = "cannot list " + drm + ": " + reason;
    return nullptr;
  }
  std::vector<long> cards;
  for (const std::string& name : names) {
    if (CardNumber(name) >= 0) cards.push_back(CardNumber(name));
  }
  std::sort(cards.begin(), cards.end());
  std::string device;
  // Only amdgpu gives a card the busy-percent attribute.
  for (long card : cards) {
    const std::string candidate = drm + "/card" + std::to_string(card) + "/device";
    if (platform::FileExists(candidate + "/gpu_busy_percent")) {
      device = candidate;
      break;
    }
  }
  if (device.empty()) {
    *error = "no amdgpu card under " + drm;
    return nullptr;
  }

  unsigned long long vendor = 0, id = 0, vram_total = 0;
  if (!ReadNumber(device + "/vendor", 16, &vendor, error) || !ReadNumber(device + "/device", 16, &id, error) ||
      !ReadNumber(device + "/mem_info_vram_total", 10, &vram_total, error)) {
    return nullptr;
  }
  auto source = std::make_unique<AmdgpuSource>(device);
  std::string list;
  const std::string list_path = pci_ids.empty() ? SystemPciIdsPath() : pci_ids;
  // The name is a nicety: without the list the card is named by its ids.
  if (!list_path.empty()) platform::ReadSmallFile(list_path, kMaxPciIdsBytes, &list, nullptr);
  const std::string name = LookUpPciDevice(list, static_cast<unsigned>(vendor), static_cast<unsigned>(id));
  char ids[32];
  std::snprintf(ids, sizeof ids, "%04llx:%04llx", vendor & 0xFFFF, id & 0xFFFF);
  const size_t bracket = name.find(" [");
  if (name.empty()) {
    source->records.push_back({"CardName", std::string("AMD graphics card (PCI ") + ids + ")"});
  } else if (bracket != std::string::npos && name.back() == ']') {
    // "Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]": the chip, then the cards built on it.
    source->records.push_back({"CardName", "AMD " + name.substr(bracket + 2, name.size() - bracket - 3)});
    source->records.push_back({"GPUName", name.substr(0, bracket)});
  } else {
    source->records.push_back({"CardName", name});
  }
  source->records.push_back({"MemSize", std::to_string(vram_total >> 20) + " MB"});
  std::string version;
  if (platform::ReadSmallFile(sysfs_root + "/module/amdgpu/version", kMaxAttributeBytes, &version, nullptr)) {
    while (!version.empty() && (version.back() == '\n' || version.back() == ' ')) version.pop_back();
    if (!version.empty()) source->records.push_back({"DriverVersion", "amdgpu " + Printable(version)});
  }
  return source;
}

}  // namespace gpu_publisher
