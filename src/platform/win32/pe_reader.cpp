#include "platform/win32/pe_reader.h"

#include <algorithm>
#include <cstdint>

#include "platform/byte_view.h"
#include "platform/library_image.h"

namespace platform::win32 {

namespace {

constexpr uint64_t kDosHeaderSize = 0x40;
constexpr uint64_t kNewHeaderOffset = 0x3C;  // e_lfanew
constexpr uint64_t kFileHeaderSize = 20;     // after the 4-byte signature
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kExportDirectorySize = 40;
constexpr uint64_t kMaxExportNames = 65536;
constexpr unsigned kMagicPe32 = 0x10B;
constexpr unsigned kMagicPe32Plus = 0x20B;
// Where NumberOfRvaAndSizes sits in the optional header; the data
// directories follow it.
constexpr uint64_t kDirectoryCountPe32 = 92;
constexpr uint64_t kDirectoryCountPe32Plus = 108;

using Bytes = ByteView;

struct Section {
  uint64_t address = 0;  // relative virtual address
  uint64_t span = 0;     // bytes it covers in memory
  uint64_t raw_offset = 0;
  uint64_t raw_size = 0;
};

class Reader {
 public:
  Reader(const Bytes& bytes, std::string* error) : bytes_(bytes), error_(error) {}

  bool Run(PeImage* out) {
    uint64_t header = 0;
    if (!Field(kNewHeaderOffset, 4, &header)) return false;
    uint64_t signature = 0;
    if (!bytes_.Holds(header, 4 + kFileHeaderSize)) return Fail("PE header outside the file");
    bytes_.Read(header, 4, &signature);
    if (signature != 0x4550) return Fail("not a PE file");  // "PE\0\0"
    uint64_t machine = 0, section_count = 0, optional_size = 0;
    bytes_.Read(header + 4, 2, &machine);
    bytes_.Read(header + 6, 2, &section_count);
    bytes_.Read(header + 20, 2, &optional_size);
    const uint64_t optional = header + 4 + kFileHeaderSize;
    if (!bytes_.Holds(optional, optional_size)) return Fail("truncated PE file");
    uint64_t magic = 0, major = 0, minor = 0;
    if (optional_size < 4) return Fail("malformed PE optional header");
    bytes_.Read(optional, 2, &magic);
    bytes_.Read(optional + 2, 1, &major);
    bytes_.Read(optional + 3, 1, &minor);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) return Fail("unknown PE optional header magic");
    out->machine = static_cast<unsigned>(machine);
    out->is_64bit = magic == kMagicPe32Plus;
    out->linker_major = static_cast<unsigned>(major);
    out->linker_minor = static_cast<unsigned>(minor);

    const uint64_t count_at = out->is_64bit ? kDirectoryCountPe32Plus : kDirectoryCountPe32;
    if (optional_size < count_at + 4) return Fail("malformed PE optional header");
    uint64_t directory_count = 0, export_address = 0, export_size = 0;
    bytes_.Read(optional + count_at, 4, &directory_count);
    // The export table is directory 0; a header too short to hold it has none.
    if (directory_count >= 1 && optional_size >= count_at + 12) {
      bytes_.Read(optional + count_at + 4, 4, &export_address);
      bytes_.Read(optional + count_at + 8, 4, &export_size);
    }
    if (!ReadSections(optional + optional_size, section_count)) return false;
    if (export_address == 0 || export_size == 0) return true;
    if (!ReadExports(export_address, &out->exports)) return false;
    out->has_avs_linkage = std::ranges::any_of(out->exports, IsAvsLinkageName);
    return true;
  }

 private:
  bool Fail(const char* reason) {
    *error_ = reason;
    return false;
  }

  bool Field(uint64_t offset, unsigned width, uint64_t* value) {
    return bytes_.Read(offset, width, value) || Fail("truncated PE file");
  }

  bool ReadSections(uint64_t table, uint64_t count) {
    // count is below 2^16, so the product cannot overflow.
    if (!bytes_.Holds(table, count * kSectionHeaderSize)) return Fail("PE section table outside the file");
    for (uint64_t i = 0; i < count; ++i) {
      const uint64_t base = table + i * kSectionHeaderSize;
      Section section;
      uint64_t virtual_size = 0;
      bytes_.Read(base + 8, 4, &virtual_size);
      bytes_.Read(base + 12, 4, &section.address);
      bytes_.Read(base + 16, 4, &section.raw_size);
      bytes_.Read(base + 20, 4, &section.raw_offset);
      section.span = virtual_size != 0 ? virtual_size : section.raw_size;
      sections_.push_back(section);
    }
    return true;
  }

  // The file offset of `length` bytes at a relative virtual address, when
  // they lie in one section's bytes inside the file. *available: how many
  // bytes from there on belong to that section.
  bool Locate(uint64_t address, uint64_t length, uint64_t* offset, uint64_t* available = nullptr) const {
    for (const Section& section : sections_) {
      if (address < section.address || address - section.address >= section.span) continue;
      const uint64_t into = address - section.address;
      if (into > section.raw_size || length > section.raw_size - into) return false;
      if (!bytes_.Holds(section.raw_offset + into, length)) return false;
      *offset = section.raw_offset + into;
      // A section whose raw bytes run past the end of the file ends there.
      if (available) *available = std::min<uint64_t>(section.raw_size - into, bytes_.size() - *offset);
      return true;
    }
    return false;
  }

  bool ReadExports(uint64_t address, std::vector<std::string>* names) {
    uint64_t directory = 0;
    if (!Locate(address, kExportDirectorySize, &directory)) return Fail("PE export table outside the file");
    uint64_t count = 0, names_address = 0;
    bytes_.Read(directory + 24, 4, &count);
    bytes_.Read(directory + 32, 4, &names_address);
    if (count == 0) return true;
    // Names map to 16-bit ordinals: more of them cannot be a real table.
    if (count > kMaxExportNames) return Fail("malformed PE export table");
    uint64_t list = 0;
    if (!Locate(names_address, count * 4, &list)) return Fail("PE export names outside the file");
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t name_address = 0, at = 0, available = 0;
      bytes_.Read(list + 4 * i, 4, &name_address);
      if (!Locate(name_address, 1, &at, &available)) return Fail("PE export name outside the file");
      std::string name;
      uint64_t n = 0;
      while (n < available && bytes_.At(at + n) != 0) name += static_cast<char>(bytes_.At(at + n++));
      if (n == available) return Fail("unterminated PE export name");
      names->push_back(std::move(name));
    }
    return true;
  }

  const Bytes& bytes_;
  std::string* error_;
  std::vector<Section> sections_;
};

}  // namespace

bool ReadPeImage(const unsigned char* data, size_t size, PeImage* out, std::string* error) {
  if (size == 0 || data[0] != 'M' || (size >= 2 && data[1] != 'Z')) {
    *error = "not a PE file";
    return false;
  }
  if (size < kDosHeaderSize) {
    *error = "truncated PE file";
    return false;
  }
  PeImage image;
  Bytes bytes(data, size);
  Reader reader(bytes, error);
  if (!reader.Run(&image)) return false;
  *out = std::move(image);
  return true;
}

}  // namespace platform::win32
