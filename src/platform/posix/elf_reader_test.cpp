#include "platform/posix/elf_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace platform::posix {
namespace {

using Buffer = std::vector<unsigned char>;

void Put(Buffer* buffer, size_t offset, uint64_t value, unsigned width) {
  if (buffer->size() < offset + width) buffer->resize(offset + width);
  for (unsigned i = 0; i < width; ++i) (*buffer)[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Header, the section table (a null section, .dynsym, .dynstr, an optional .comment, the section names),
// then each section's bytes.
Buffer BuildElf(bool is64, const std::vector<std::string>& symbols, const std::string& comment) {
  const size_t symbol_size = is64 ? 24 : 16, entry_size = is64 ? 64 : 40, start = is64 ? 64 : 52;
  std::string strings(1, '\0'), table(symbol_size, '\0');
  for (const std::string& name : symbols)
    table += static_cast<char>(strings.size()) + std::string(symbol_size - 1, '\0'), strings += name + '\0';
  struct Section { uint32_t name, type; std::string bytes; uint32_t link = 0; uint64_t entry_size = 0; };
  std::vector<Section> sections = {{1, 11, table, 2, symbol_size}, {9, 3, strings}};
  if (!comment.empty()) sections.push_back({17, 1, comment});
  sections.push_back({26, 3, std::string("\0.dynsym\0.dynstr\0.comment\0.shstrtab", 36)});
  const unsigned width = is64 ? 8 : 4;
  const size_t count = sections.size() + 1;
  Buffer out(start + count * entry_size, 0);
  out[0] = 0x7F, out[1] = 'E', out[2] = 'L', out[3] = 'F', out[4] = is64 ? 2 : 1, out[5] = 1, out[6] = 1;
  Put(&out, is64 ? 0x28 : 0x20, start, width), Put(&out, is64 ? 0x3A : 0x2E, entry_size, 2);
  Put(&out, is64 ? 0x3C : 0x30, count, 2), Put(&out, is64 ? 0x3E : 0x32, count - 1, 2);
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t base = start + (i + 1) * entry_size;
    const Section& s = sections[i];
    Put(&out, base, s.name, 4), Put(&out, base + 4, s.type, 4);
    Put(&out, base + (is64 ? 24 : 16), out.size(), width);
    Put(&out, base + (is64 ? 32 : 20), s.bytes.size(), width), Put(&out, base + (is64 ? 40 : 24), s.link, 4);
    Put(&out, base + (is64 ? 56 : 36), s.entry_size, width);
    out.insert(out.end(), s.bytes.begin(), s.bytes.end());
  }
  return out;
}

const std::string kGccComment = std::string("GCC: (Debian 12.2.0-14) 12.2.0") + '\0';

// The error, or "ok"; the copy is exact-size so that a sanitizer build sees any read past the end.
std::string Read(Buffer bytes, ElfImage* image = nullptr) {
  ElfImage unused;
  std::string error;
  return ReadElfImage(bytes.data(), bytes.size(), image ? image : &unused, &error) ? "ok" : error;
}

TEST(ElfReaderValid, BothClassesGiveSymbolsAndCompiler) {
  struct Case { bool is64; std::string comment; unsigned major, minor; } cases[] = {
      {true, kGccComment, 12, 2},
      {false, kGccComment, 12, 2},
      {true, std::string("Linker: LLD 15.0.1") + '\0' + "GCC: (GNU) 9.4.0" + '\0' + "GCC: (GNU) 11.1.0", 9, 4},
      {true, std::string("clang version 17.0.6 (https://example.org/llvm 6009708b)") + '\0', 17, 0},
      {true, std::string("GCC: (GNU) 13") + '\0', 0, 0},  // no dotted version
      {true, std::string("GCC: 99999999999999999999.1") + '\0', 999999999, 1},
      {true, "", 0, 0},
  };
  const std::vector<std::string> names = {"AVS_linkage", "avs_create_script_environment"};
  for (const Case& c : cases) {
    ElfImage image;
    ASSERT_EQ(Read(BuildElf(c.is64, names, c.comment), &image), "ok") << c.comment;
    EXPECT_EQ(std::tie(image.is_64bit, image.dynamic_symbols, image.linker_major, image.linker_minor),
              std::tie(c.is64, names, c.major, c.minor)) << c.comment;
  }
}

// Every truncation fails, and each corrupted field of a valid 64-bit file gives its error.
TEST(ElfReaderInvalid, TruncatedOrCorruptFilesGiveTheirError) {
  for (bool is64 : {true, false}) {
    Buffer full = BuildElf(is64, {"AVS_linkage"}, kGccComment);
    for (size_t size = 0; size < full.size(); ++size) {
      std::string error = Read(Buffer(full.begin(), full.begin() + static_cast<long>(size)));
      EXPECT_TRUE(error != "ok" && !error.empty()) << "size " << size;
    }
  }
  EXPECT_EQ(Read(Buffer{}), "not an ELF file");
  EXPECT_EQ(Read(Buffer{0x7F, 'E', 'L'}), "truncated ELF file");
  const Buffer base = BuildElf(true, {"AVS_linkage", "other"}, kGccComment);
  // Sections 1 and 2 follow the header; the symbols' bytes follow the five-entry table.
  const size_t size = base.size(), dynsym = 128, dynstr = 192, symbols = 64 + 5 * 64;
  const uint64_t kHuge = UINT64_MAX - 7;
  struct Case { const char* what; size_t at; uint64_t value; unsigned width; const char* error; } cases[] = {
      {"no section table", 0x28, 0, 8, "ok"},
      {"magic", 0, 0x7E, 1, "not an ELF file"},
      {"class 3", 4, 3, 1, "unknown ELF class"},
      {"big endian", 5, 2, 1, "unsupported ELF byte order"},
      {"section table past the end", 0x28, size, 8, "ELF section table outside the file"},
      {"section table offset wraps", 0x28, kHuge, 8, "ELF section table outside the file"},
      {"huge section count", 0x3C, 0xFFFF, 2, "ELF section table outside the file"},
      {"section header too small", 0x3A, 16, 2, "malformed ELF section header"},
      {"name table index past count", 0x3E, 60, 2, "malformed ELF section header"},
      {"symbols past the end", dynsym + 24, size, 8, "ELF section outside the file"},
      {"symbols offset wraps", dynsym + 24, kHuge, 8, "ELF section outside the file"},
      {"huge symbol table", dynsym + 32, kHuge, 8, "ELF section outside the file"},
      {"symbol entries too small", dynsym + 56, 8, 8, "malformed ELF symbol table"},
      {"string table link past count", dynsym + 40, 99, 4, "malformed ELF section header"},
      {"strings past the end", dynstr + 24, size - 2, 8, "ELF section outside the file"},
      {"strings cut before the last zero", dynstr + 32, 18, 8, "unterminated ELF string"},
      {"strings cut before a name", dynstr + 32, 1, 8, "ELF string outside its table"},
      {"symbol name past its table", symbols + 24, 4000, 4, "ELF string outside its table"},
  };
  for (const Case& c : cases) {
    Buffer bytes = base;
    Put(&bytes, c.at, c.value, c.width);
    EXPECT_EQ(Read(bytes), c.error) << c.what;
  }
}

}  // namespace
}  // namespace platform::posix
