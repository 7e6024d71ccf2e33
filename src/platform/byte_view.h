// A bounds-checked little-endian view of a file read into memory, for the
// executable-image readers: every accessor fails rather than read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

class ByteView {
 public:
  ByteView(const unsigned char* data, size_t size) : data_(data), size_(size) {}

  size_t size() const { return size_; }

  // True when [offset, offset + length) lies inside the buffer, computed
  // without overflow.
  bool Holds(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

  bool Read(uint64_t offset, unsigned width, uint64_t* value) const {
    if (!Holds(offset, width)) return false;
    uint64_t result = 0;
    for (unsigned i = 0; i < width; ++i) result |= static_cast<uint64_t>(data_[offset + i]) << (8 * i);
    *value = result;
    return true;
  }

  // Only for ranges Holds has accepted.
  unsigned char At(uint64_t offset) const { return data_[offset]; }
  std::string_view View(uint64_t offset, uint64_t length) const {
    return {reinterpret_cast<const char*>(data_ + offset), static_cast<size_t>(length)};
  }

 private:
  const unsigned char* data_;
  size_t size_;
};

}  // namespace platform
