#include "platform/posix/elf_reader.h"

#include <cstdint>
#include <string_view>

#include "platform/byte_view.h"

namespace platform::posix {

namespace {

constexpr uint32_t kSectionDynsym = 11;
constexpr uint32_t kSectionNobits = 8;
constexpr uint32_t kExtendedIndex = 0xFFFF;

using Bytes = ByteView;

struct Section {
  uint32_t name = 0;
  uint32_t type = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint32_t link = 0;
  uint64_t entry_size = 0;
};

// Field offsets and widths that differ between the two classes.
struct Layout {
  unsigned header_size, address_width;
  unsigned shoff, shentsize, shnum, shstrndx;
  unsigned section_size;  // minimum section header size
  unsigned sh_offset, sh_size, sh_link, sh_entsize;
  unsigned symbol_size;
};
constexpr Layout kLayout32{52, 4, 0x20, 0x2E, 0x30, 0x32, 40, 16, 20, 24, 36, 16};
constexpr Layout kLayout64{64, 8, 0x28, 0x3A, 0x3C, 0x3E, 64, 24, 32, 40, 56, 24};

class Reader {
 public:
  Reader(const Bytes& bytes, const Layout& layout, std::string* error)
      : bytes_(bytes), layout_(layout), error_(error) {}

  bool Run(ElfImage* out) {
    if (!ReadSectionTable()) return false;
    for (uint64_t i = 0; i < count_; ++i) {
      Section section;
      if (!ReadSection(i, &section)) return false;
      if (section.type == kSectionDynsym && !ReadSymbols(section, &out->dynamic_symbols)) return false;
    }
    return ReadComment(out);
  }

 private:
  bool Fail(const char* reason) {
    *error_ = reason;
    return false;
  }

  bool Field(uint64_t offset, unsigned width, uint64_t* value) {
    return bytes_.Read(offset, width, value) || Fail("truncated ELF file");
  }

  bool ReadSectionTable() {
    uint64_t entry_size = 0, count = 0, names = 0;
    if (!Field(layout_.shoff, layout_.address_width, &table_) || !Field(layout_.shentsize, 2, &entry_size) ||
        !Field(layout_.shnum, 2, &count) || !Field(layout_.shstrndx, 2, &names))
      return false;
    if (table_ == 0) return true;  // no section table: nothing to list
    if (entry_size < layout_.section_size) return Fail("malformed ELF section header");
    entry_size_ = entry_size;
    // Large files keep the real count and name index in section 0.
    if (count == 0 || names == kExtendedIndex) {
      Section first;
      count_ = 1;
      if (!ReadSection(0, &first)) return false;
      if (count == 0) count = first.size;
      if (names == kExtendedIndex) names = first.link;
    }
    // Both factors are below 2^32 and 2^16, so the product cannot overflow.
    if (count > UINT32_MAX || !bytes_.Holds(table_, count * entry_size_))
      return Fail("ELF section table outside the file");
    count_ = count;
    names_index_ = names;
    return true;
  }

  bool ReadSection(uint64_t index, Section* section) {
    if (index >= count_) return Fail("malformed ELF section header");
    uint64_t base = table_ + index * entry_size_;
    uint64_t name, type, link, offset, size, entry_size;
    if (!Field(base, 4, &name) || !Field(base + 4, 4, &type) ||
        !Field(base + layout_.sh_offset, layout_.address_width, &offset) ||
        !Field(base + layout_.sh_size, layout_.address_width, &size) || !Field(base + layout_.sh_link, 4, &link) ||
        !Field(base + layout_.sh_entsize, layout_.address_width, &entry_size))
      return false;
    *section = {static_cast<uint32_t>(name), static_cast<uint32_t>(type), offset, size, static_cast<uint32_t>(link),
                entry_size};
    return true;
  }

  // The section's bytes, when it has some inside the file.
  bool Contents(const Section& section, std::string_view* view) {
    if (section.type == kSectionNobits) {
      *view = {};
      return true;
    }
    if (!bytes_.Holds(section.offset, section.size)) return Fail("ELF section outside the file");
    *view = bytes_.View(section.offset, section.size);
    return true;
  }

  // The zero-terminated string at offset in a string table.
  bool StringAt(std::string_view table, uint64_t offset, std::string* text) {
    if (offset >= table.size()) return Fail("ELF string outside its table");
    size_t end = table.find('\0', offset);
    if (end == std::string_view::npos) return Fail("unterminated ELF string");
    *text = std::string(table.substr(offset, end - offset));
    return true;
  }

  bool ReadSymbols(const Section& symbols, std::vector<std::string>* names) {
    uint64_t entry_size = symbols.entry_size == 0 ? layout_.symbol_size : symbols.entry_size;
    if (entry_size < layout_.symbol_size) return Fail("malformed ELF symbol table");
    std::string_view table;
    Section strings;
    std::string_view string_table;
    if (!Contents(symbols, &table) || !ReadSection(symbols.link, &strings) || !Contents(strings, &string_table))
      return false;
    Bytes entries(reinterpret_cast<const unsigned char*>(table.data()), table.size());
    for (uint64_t at = 0; at + entry_size <= table.size(); at += entry_size) {
      uint64_t name_offset = 0;
      entries.Read(at, 4, &name_offset);
      if (name_offset == 0) continue;  // the null symbol and unnamed ones
      std::string name;
      if (!StringAt(string_table, name_offset, &name)) return false;
      if (!name.empty()) names->push_back(std::move(name));
    }
    return true;
  }

  bool ReadComment(ElfImage* out) {
    if (table_ == 0 || names_index_ == 0) return true;
    Section names_section;
    std::string_view names;
    if (!ReadSection(names_index_, &names_section) || !Contents(names_section, &names)) return false;
    for (uint64_t i = 0; i < count_; ++i) {
      Section section;
      std::string name;
      if (!ReadSection(i, &section)) return false;
      if (section.name >= names.size()) continue;  // a nameless section cannot be .comment
      if (!StringAt(names, section.name, &name)) return false;
      if (name != ".comment") continue;
      std::string_view comment;
      if (!Contents(section, &comment)) return false;
      ReadCompilerVersion(comment, out);
      return true;
    }
    return true;
  }

  static void ReadCompilerVersion(std::string_view comment, ElfImage* out) {
    while (!comment.empty()) {
      size_t end = comment.find('\0');
      std::string line(comment.substr(0, end));
      comment = end == std::string_view::npos ? std::string_view() : comment.substr(end + 1);
      if (line.starts_with("GCC:") || line.find("clang") != std::string::npos) {
        if (!LastDottedVersion(line, &out->linker_major, &out->linker_minor)) {
          out->linker_major = out->linker_minor = 0;
        }
        return;
      }
    }
  }

  const Bytes& bytes_;
  const Layout& layout_;
  std::string* error_;
  uint64_t table_ = 0;
  uint64_t entry_size_ = 0;
  uint64_t count_ = 0;
  uint64_t names_index_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads digits at text[*at], saturating so that a long run cannot overflow.
unsigned ReadNumber(const std::string& text, size_t* at) {
  unsigned value = 0;
  for (; *at < text.size() && IsDigit(text[*at]); ++*at)
    value = value > 100000000 ? value : value * 10 + static_cast<unsigned>(text[*at] - '0');
  return value;
}

}  // namespace

bool LastDottedVersion(const std::string& line, unsigned* major, unsigned* minor) {
  bool found = false;
  size_t at = 0;
  while (at < line.size()) {
    if (!IsDigit(line[at]) || (at > 0 && IsDigit(line[at - 1]))) {
      ++at;
      continue;
    }
    unsigned first = ReadNumber(line, &at);
    if (at + 1 < line.size() && line[at] == '.' && IsDigit(line[at + 1])) {
      ++at;
      unsigned second = ReadNumber(line, &at);
      *major = first;
      *minor = second;
      found = true;
      // Further ".n" groups belong to the same version.
      while (at + 1 < line.size() && line[at] == '.' && IsDigit(line[at + 1])) {
        ++at;
        ReadNumber(line, &at);
      }
    }
  }
  return found;
}

bool ReadElfImage(const unsigned char* data, size_t size, ElfImage* out, std::string* error) {
  static const unsigned char kMagic[4] = {0x7F, 'E', 'L', 'F'};
  for (size_t i = 0; i < 4; ++i) {
    if (i >= size) {
      *error = size == 0 ? "not an ELF file" : "truncated ELF file";
      return false;
    }
    if (data[i] != kMagic[i]) {
      *error = "not an ELF file";
      return false;
    }
  }
  if (size < 16) {
    *error = "truncated ELF file";
    return false;
  }
  if (data[4] != 1 && data[4] != 2) {
    *error = "unknown ELF class";
    return false;
  }
  if (data[5] != 1) {
    *error = "unsupported ELF byte order";
    return false;
  }
  ElfImage image;
  image.is_64bit = data[4] == 2;
  const Layout& layout = image.is_64bit ? kLayout64 : kLayout32;
  if (size < layout.header_size) {
    *error = "truncated ELF file";
    return false;
  }
  Bytes bytes(data, size);
  Reader reader(bytes, layout, error);
  if (!reader.Run(&image)) return false;
  *out = std::move(image);
  return true;
}

}  // namespace platform::posix
