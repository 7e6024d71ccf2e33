#include "platform/win32/pe_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace platform::win32 {
namespace {

using Buffer = std::vector<unsigned char>;

void Put(Buffer* buffer, size_t offset, uint64_t value, unsigned width) {
  if (buffer->size() < offset + width) buffer->resize(offset + width);
  for (unsigned i = 0; i < width; ++i) (*buffer)[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Offsets in the files BuildPe writes.
constexpr size_t kHeader = 0x80;                // "PE\0\0"
constexpr size_t kOptional = kHeader + 24;
size_t SectionTable(bool is64) { return kOptional + (is64 ? 240 : 224); }
constexpr size_t kData = 0x200;                 // the one section's bytes, at RVA 0x1000
constexpr size_t kExports = kData;              // export directory, 40 bytes
constexpr size_t kNameList = kData + 40;

// A DLL with one section holding an export table of `names`.
Buffer BuildPe(bool is64, const std::vector<std::string>& names) {
  const size_t optional_size = is64 ? 240 : 224, directories = kOptional + (is64 ? 112 : 96);
  Buffer out(kData, 0);
  out[0] = 'M', out[1] = 'Z';
  Put(&out, 0x3C, kHeader, 4);
  Put(&out, kHeader, 0x4550, 4);
  Put(&out, kHeader + 4, is64 ? 0x8664 : 0x14C, 2);
  Put(&out, kHeader + 6, 1, 2);
  Put(&out, kHeader + 20, optional_size, 2);
  Put(&out, kOptional, is64 ? 0x20B : 0x10B, 2);
  out[kOptional + 2] = 2, out[kOptional + 3] = 40;
  Put(&out, directories - 4, 16, 4);
  // The section: export directory, name list, then the names.
  std::string strings;
  std::vector<size_t> name_at;
  const size_t strings_at = kNameList + 4 * names.size();
  for (const std::string& name : names) {
    name_at.push_back(strings_at + strings.size());
    strings += name + '\0';
  }
  Put(&out, kExports + 24, names.size(), 4);
  Put(&out, kExports + 32, 0x1000 + (kNameList - kData), 4);
  for (size_t i = 0; i < names.size(); ++i) Put(&out, kNameList + 4 * i, 0x1000 + (name_at[i] - kData), 4);
  out.resize(strings_at);
  out.insert(out.end(), strings.begin(), strings.end());
  const size_t section_size = out.size() - kData;
  Put(&out, directories, 0x1000, 4);
  Put(&out, directories + 4, section_size, 4);
  const size_t table = SectionTable(is64);
  std::copy_n(".edata", 6, out.begin() + static_cast<long>(table));
  Put(&out, table + 8, section_size, 4);
  Put(&out, table + 12, 0x1000, 4);
  Put(&out, table + 16, section_size, 4);
  Put(&out, table + 20, kData, 4);
  return out;
}

// The error, or "ok"; the copy is exact-size so that a sanitizer build sees any read past the end.
std::string Read(Buffer bytes, PeImage* image = nullptr) {
  PeImage unused;
  std::string error;
  return ReadPeImage(bytes.data(), bytes.size(), image ? image : &unused, &error) ? "ok" : error;
}

TEST(PeReaderValid, BothFormatsGiveMachineLinkerAndExports) {
  for (bool is64 : {true, false}) {
    PeImage image;
    ASSERT_EQ(Read(BuildPe(is64, {"AVS_linkage", "avs_create_script_environment"}), &image), "ok");
    EXPECT_EQ(image.machine, is64 ? 0x8664u : 0x14Cu);
    EXPECT_EQ(image.is_64bit, is64);
    EXPECT_EQ(image.linker_major, 2u);
    EXPECT_EQ(image.linker_minor, 40u);
    EXPECT_EQ(image.exports, (std::vector<std::string>{"AVS_linkage", "avs_create_script_environment"}));
    EXPECT_TRUE(image.has_avs_linkage);
  }
  PeImage image;
  ASSERT_EQ(Read(BuildPe(true, {"avs_invoke"}), &image), "ok");
  EXPECT_FALSE(image.has_avs_linkage);
  Buffer no_exports = BuildPe(true, {"AVS_linkage"});
  Put(&no_exports, kOptional + 112, 0, 4);
  ASSERT_EQ(Read(no_exports, &image), "ok");
  EXPECT_TRUE(image.exports.empty());
}

TEST(PeReaderInvalid, EveryTruncationIsRejected) {
  for (bool is64 : {true, false}) {
    Buffer full = BuildPe(is64, {"AVS_linkage"});
    for (size_t size = 0; size < full.size(); ++size) {
      std::string error = Read(Buffer(full.begin(), full.begin() + static_cast<long>(size)));
      EXPECT_TRUE(error != "ok" && !error.empty()) << "size " << size;
    }
  }
  EXPECT_EQ(Read(Buffer{}), "not a PE file");
  EXPECT_EQ(Read(Buffer{'M', 'Z', 0}), "truncated PE file");
}

// Each case corrupts one field of a valid PE32+ file.
TEST(PeReaderInvalid, CorruptFieldsGiveTheirError) {
  const Buffer base = BuildPe(true, {"AVS_linkage", "other"});
  const size_t size = base.size(), table = SectionTable(true);
  struct Case { const char* what; size_t at; uint64_t value; unsigned width; const char* error; } cases[] = {
      {"DOS magic", 1, 'X', 1, "not a PE file"},
      {"header past the end", 0x3C, size - 8, 4, "PE header outside the file"},
      {"header offset wraps", 0x3C, 0xFFFFFFFF, 4, "PE header outside the file"},
      {"PE signature", kHeader, 0x4551, 4, "not a PE file"},
      {"optional header magic", kOptional, 0x107, 2, "unknown PE optional header magic"},
      {"optional header past the end", kHeader + 20, 0xFFFF, 2, "truncated PE file"},
      {"optional header too short", kHeader + 20, 100, 2, "malformed PE optional header"},
      {"huge section count", kHeader + 6, 0xFFFF, 2, "PE section table outside the file"},
      {"export table in no section", kOptional + 112, 0x9000, 4, "PE export table outside the file"},
      {"export table past its section", kOptional + 112, 0x1000 + size - kData - 8, 4,
       "PE export table outside the file"},
      {"section bytes past the end", table + 20, size, 4, "PE export table outside the file"},
      {"section offset wraps", table + 20, 0xFFFFFFF0, 4, "PE export table outside the file"},
      {"too many names", kExports + 24, 70000, 4, "malformed PE export table"},
      {"names past the section", kExports + 24, 60000, 4, "PE export names outside the file"},
      {"name in no section", kNameList, 0x7000, 4, "PE export name outside the file"},
      {"name cut by its section", table + 16, size - kData - 1, 4, "unterminated PE export name"},
  };
  for (const Case& c : cases) {
    Buffer bytes = base;
    Put(&bytes, c.at, c.value, c.width);
    EXPECT_EQ(Read(bytes), c.error) << c.what;
  }
}

TEST(PeReaderValid, RealAviSynthPlusDll) {
  const std::filesystem::path path = AVSPLUS_WINDOWS_DLL;
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no real AviSynth+ at " << path.string();
  std::ifstream file(path, std::ios::binary);
  const Buffer bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  PeImage image;
  ASSERT_EQ(Read(bytes, &image), "ok");
  EXPECT_EQ(image.machine, 0x8664u);
  EXPECT_TRUE(image.is_64bit);
  EXPECT_EQ(image.linker_major, 2u);
  EXPECT_EQ(image.linker_minor, 40u);
  size_t c_functions = 0;
  for (const std::string& name : image.exports) c_functions += name.starts_with("avs_");
  EXPECT_EQ(c_functions, 156u);
  EXPECT_NE(std::find(image.exports.begin(), image.exports.end(), "CreateScriptEnvironment"), image.exports.end());
  EXPECT_TRUE(image.has_avs_linkage);
}

}  // namespace
}  // namespace platform::win32
