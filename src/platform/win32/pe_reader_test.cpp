#include "platform/win32/pe_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace platform::win32 {
namespace {

using Buffer = std::vector<unsigned char>;
using Names = std::vector<std::string>;

void Put(Buffer* buffer, size_t offset, uint64_t value, unsigned width) {
  if (buffer->size() < offset + width) buffer->resize(offset + width);
  for (unsigned i = 0; i < width; ++i) (*buffer)[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// BuildPe's layout: headers, then one section (file 0x200, address 0x1000) with the exports and names.
constexpr size_t kHeader = 0x80, kOptional = kHeader + 24, kData = 0x200, kNameList = kData + 40;
size_t SectionTable(bool is64) { return kOptional + (is64 ? 240 : 224); }
size_t ExportDirectory(bool is64) { return kOptional + (is64 ? 112 : 96); }

Buffer BuildPe(bool is64, const Names& names) {
  Buffer out(kData + 40 + 4 * names.size(), 0);
  out[0] = 'M', out[1] = 'Z', out[kOptional + 2] = 2, out[kOptional + 3] = 40;
  Put(&out, 0x3C, kHeader, 4), Put(&out, kHeader, 0x4550, 4), Put(&out, kHeader + 4, is64 ? 0x8664 : 0x14C, 2);
  Put(&out, kHeader + 6, 1, 2), Put(&out, kHeader + 20, is64 ? 240 : 224, 2);
  Put(&out, kOptional, is64 ? 0x20B : 0x10B, 2), Put(&out, ExportDirectory(is64) - 4, 16, 4);
  Put(&out, kData + 24, names.size(), 4), Put(&out, kData + 32, 0x1000 + 40, 4);
  for (size_t i = 0; i < names.size(); ++i) {
    Put(&out, kNameList + 4 * i, 0x1000 + out.size() - kData, 4);
    out.insert(out.end(), names[i].c_str(), names[i].c_str() + names[i].size() + 1);
  }
  const size_t section_size = out.size() - kData, table = SectionTable(is64);
  Put(&out, ExportDirectory(is64), 0x1000, 4), Put(&out, ExportDirectory(is64) + 4, section_size, 4);
  Put(&out, table + 8, section_size, 4), Put(&out, table + 12, 0x1000, 4);
  Put(&out, table + 16, section_size, 4), Put(&out, table + 20, kData, 4);
  return out;
}

// The error, or "ok"; the copy is exact-size so that a sanitizer build sees any read past the end.
std::string Read(Buffer bytes, PeImage* image = nullptr) {
  PeImage unused;
  std::string error;
  return ReadPeImage(bytes.data(), bytes.size(), image ? image : &unused, &error) ? "ok" : error;
}

TEST(PeReader, ReadsBothFormatsAndRejectsEveryBadFile) {
  for (bool is64 : {true, false}) {
    const Buffer full = BuildPe(is64, {"AVS_linkage", "avs_invoke"});
    PeImage image;
    ASSERT_EQ(Read(full, &image), "ok");
    EXPECT_EQ(std::tie(image.machine, image.is_64bit, image.linker_major, image.linker_minor, image.has_avs_linkage),
              std::make_tuple(is64 ? 0x8664u : 0x14Cu, is64, 2u, 40u, true));
    EXPECT_EQ(image.exports, (Names{"AVS_linkage", "avs_invoke"}));
    for (size_t size = 0; size < full.size(); ++size) {
      std::string error = Read(Buffer(full.begin(), full.begin() + static_cast<long>(size)));
      EXPECT_TRUE(error != "ok" && !error.empty()) << "size " << size;
    }
  }
  EXPECT_EQ(Read(Buffer{}), "not a PE file");
  EXPECT_EQ(Read(Buffer{'M', 'Z', 0}), "truncated PE file");
  // Each case changes one field of a valid PE32+ file.
  const Buffer base = BuildPe(true, {"AVS_linkage", "other"});
  const size_t size = base.size(), table = SectionTable(true), exports = ExportDirectory(true);
  struct Case { const char* what; size_t at; uint64_t value; unsigned width; const char* error; } cases[] = {
      {"no export table", exports, 0, 4, "ok"},
      {"DOS magic", 1, 'X', 1, "not a PE file"},
      {"header offset wraps", 0x3C, 0xFFFFFFFF, 4, "PE header outside the file"},
      {"PE signature", kHeader, 0x4551, 4, "not a PE file"},
      {"optional header magic", kOptional, 0x107, 2, "unknown PE optional header magic"},
      {"optional header past the end", kHeader + 20, 0xFFFF, 2, "truncated PE file"},
      {"optional header too short", kHeader + 20, 100, 2, "malformed PE optional header"},
      {"huge section count", kHeader + 6, 0xFFFF, 2, "PE section table outside the file"},
      {"export table in no section", exports, 0x9000, 4, "PE export table outside the file"},
      {"export table past its section", exports, 0x1000 + size - kData - 8, 4, "PE export table outside the file"},
      {"section offset wraps", table + 20, 0xFFFFFFF0, 4, "PE export table outside the file"},
      {"too many names", kData + 24, 70000, 4, "malformed PE export table"},
      {"names past the section", kData + 24, 60000, 4, "PE export names outside the file"},
      {"name in no section", kNameList, 0x7000, 4, "PE export name outside the file"},
      {"name cut by its section", table + 16, size - kData - 1, 4, "unterminated PE export name"},
  };
  for (const Case& c : cases) {
    Buffer bytes = base;
    Put(&bytes, c.at, c.value, c.width);
    EXPECT_EQ(Read(bytes), c.error) << c.what;
  }
}

}  // namespace
}  // namespace platform::win32
