// Opaque handles: callers hold and compare them; only the back-end that made
// one knows what it stands for (a descriptor, a pointer, a Windows HANDLE).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

template <typename Tag>
class Handle {
 public:
  constexpr Handle() = default;
  constexpr Handle(std::nullptr_t) {}
  // For the back-end only.
  static constexpr Handle FromNative(uintptr_t value) { return Handle(value); }
  constexpr uintptr_t native() const { return value_; }

  explicit constexpr operator bool() const { return value_ != 0; }
  friend constexpr bool operator==(const Handle&, const Handle&) = default;

 private:
  explicit constexpr Handle(uintptr_t value) : value_(value) {}
  uintptr_t value_ = 0;
};

}  // namespace platform
