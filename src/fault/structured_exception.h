// Processor and system faults raised inside foreign code, as C++ exceptions.
#pragma once

#include <cstdint>
#include <string>

namespace fault {

class StructuredException {
 public:
  explicit StructuredException(uint32_t code) : code_(code) {}
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;
};

// Throws StructuredException(code); never returns.
[[noreturn]] void TranslateStructuredException(uint32_t code, void* record);

// "Exception 0x%08X\n%s" with the code's name.
std::string FormatStructuredException(uint32_t code);

// Calls fn() so that a processor fault inside it arrives as StructuredException.
// Keep it off per-frame paths: it costs a signal-mask save.
template <class Fn>
void CallTranslated(Fn&& fn);

}  // namespace fault

#include "fault/structured_exception_inl.h"
