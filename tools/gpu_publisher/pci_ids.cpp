#include "pci_ids.h"

#include "platform/files.h"

namespace gpu_publisher {

namespace {

// Four hex digits at the start of text, as the list writes every id.
bool ParseId(std::string_view text, unsigned* id) {
  if (text.size() < 4) return false;
  unsigned value = 0;
  for (char c : text.substr(0, 4)) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  *id = value;
  return true;
}

// The name after an id and its two spaces.
std::string NameAfterId(std::string_view line) {
  if (line.size() <= 6 || line.substr(4, 2) != "  ") return {};
  std::string_view name = line.substr(6);
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.remove_suffix(1);
  return std::string(name);
}

}  // namespace

std::string LookUpPciDevice(std::string_view list, unsigned vendor, unsigned device) {
  bool in_vendor = false;
  while (!list.empty()) {
    const size_t end = list.find('\n');
    const std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    if (line.empty() || line[0] == '#') continue;
    unsigned id = 0;
    if (line[0] != '\t') {
      // A vendor line; anything else at the margin (the class list) ends the vendors.
      if (in_vendor || !ParseId(line, &id)) return {};
      in_vendor = id == vendor;
    } else if (in_vendor && line.size() > 1 && line[1] != '\t' && ParseId(line.substr(1), &id) && id == device) {
      return NameAfterId(line.substr(1));
    }
  }
  return {};
}

std::string SystemPciIdsPath() {
  for (const char* path : {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids", "/usr/share/pci.ids"}) {
    if (platform::FileExists(path)) return path;
  }
  return {};
}

}  // namespace gpu_publisher
