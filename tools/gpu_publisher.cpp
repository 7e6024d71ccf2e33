// A stand-in for GPU-Z: publishes card facts and sensor readings in the
// shared section the GPU monitor reads, under a process name the monitor's
// scan recognises, until it is told to stop.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "measure/gpuz_layout.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/shared_memory.h"
#include "platform/signals.h"

namespace {

constexpr const char* kSectionName = "/GPUZShMem";
// A bound on --size that keeps a typing slip from asking for gigabytes.
constexpr unsigned long long kMaxSectionSize = 64ull << 20;

struct Options {
  std::string title = "GPU-Z 2.40.0";
  size_t size = gpuz::kSectionSize;
  std::vector<std::pair<std::string, std::string>> records;
  std::vector<std::pair<std::string, double>> sensors;
  int seconds = -1;  // until a signal
};

void PrintUsage() {
  std::fputs(
      "usage: gpu-publisher [--title TEXT] [--size BYTES] [--record KEY=VALUE]...\n"
      "                     [--sensor NAME=VALUE]... [--seconds N]\n",
      stderr);
}

bool ParseUnsigned(const std::string& text, unsigned long long max, unsigned long long* out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || value > max) return false;
  *out = value;
  return true;
}

bool SplitPair(const std::string& text, std::string* name, std::string* value) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  *name = text.substr(0, equals);
  *value = text.substr(equals + 1);
  return true;
}

bool ParseArguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return false;
    const std::string arg = argv[++i];
    std::string name, value;
    unsigned long long number = 0;
    if (flag == "--title") {
      options->title = arg;
    } else if (flag == "--size") {
      if (!ParseUnsigned(arg, kMaxSectionSize, &number)) return false;
      options->size = static_cast<size_t>(number);
    } else if (flag == "--seconds") {
      if (!ParseUnsigned(arg, 1000000, &number)) return false;
      options->seconds = static_cast<int>(number);
    } else if (flag == "--record") {
      if (!SplitPair(arg, &name, &value)) return false;
      if (options->records.size() == gpuz::kRecordCount) return false;
      options->records.emplace_back(name, value);
    } else if (flag == "--sensor") {
      if (!SplitPair(arg, &name, &value) || value.empty()) return false;
      char* end = nullptr;
      const double reading = std::strtod(value.c_str(), &end);
      if (*end != '\0') return false;
      if (options->sensors.size() == gpuz::kSensorCount) return false;
      options->sensors.emplace_back(name, reading);
    } else {
      return false;
    }
  }
  return true;
}

// UTF-8 to UTF-16; bytes that do not form a character become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3
                  : lead >= 0xC2 ? 2 : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F
                                                                              : lead & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
                  (length == 4 && (c < 0x10000 || c > 0x10FFFF)))) {
      valid = false;
    }
    if (!valid) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

// Writes text NUL-terminated into a 512-byte field, shortened (never inside
// a surrogate pair) so that the terminator always fits.
void WriteTextField(unsigned char* field, const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  size_t units = text.size();
  if (units > gpuz::kTextFieldUnits - 1) {
    units = gpuz::kTextFieldUnits - 1;
    if (text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) --units;
  }
  for (size_t i = 0; i < gpuz::kTextFieldUnits; ++i) {
    const char16_t unit = i < units ? text[i] : 0;
    field[2 * i] = static_cast<unsigned char>(unit & 0xFF);
    field[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
  }
}

void WriteSection(const Options& options, unsigned char* data, size_t size) {
  for (size_t i = 0; i < options.records.size(); ++i) {
    const size_t start = gpuz::kRecordTableOffset + i * gpuz::kRecordSize;
    if (start + gpuz::kRecordSize > size) break;
    WriteTextField(data + start, options.records[i].first);
    WriteTextField(data + start + gpuz::kRecordValueOffset, options.records[i].second);
  }
  for (size_t i = 0; i < options.sensors.size(); ++i) {
    const size_t start = gpuz::kSensorTableOffset + i * gpuz::kSensorSize;
    if (start + gpuz::kSensorSize > size) break;
    WriteTextField(data + start, options.sensors[i].first);
    std::memcpy(data + start + gpuz::kSensorValueOffset, &options.sensors[i].second,
                sizeof(double));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    PrintUsage();
    return 2;
  }
  // Held before the section exists, so that a signal arriving at any point
  // after creation still leads to its removal.
  platform::HoldTerminationSignals();
  platform::SetOwnProcessName(options.title);

  platform::SharedSection section;
  if (!platform::CreateSharedSection(kSectionName, options.size, &section)) {
    std::fprintf(stderr, "gpu-publisher: cannot create %s: %s", kSectionName,
                 platform::LastErrorText().c_str());
    return 1;
  }
  WriteSection(options, section.data, section.size);
  std::fputs("ready\n", stdout);
  std::fflush(stdout);

  platform::WaitForTerminationSignal(options.seconds);
  platform::CloseSharedSection(&section);
  platform::RemoveSharedSection(kSectionName);
  return 0;
}
