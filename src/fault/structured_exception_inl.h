#pragma once

#include <exception>
#include <utility>

#include "platform/fault_guard.h"

namespace fault {

namespace fault_detail {

template <class Fn>
struct Call {
  Fn* fn;
  std::exception_ptr error;
  static void Run(void* self) {
    auto* call = static_cast<Call*>(self);
    // An exception must not unwind through the jump point of the guard.
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
  }
};

}  // namespace fault_detail

template <class Fn>
void CallTranslated(Fn&& fn) {
  fault_detail::Call<std::remove_reference_t<Fn>> call{&fn, nullptr};
  uint32_t code = platform::RunGuarded(&fault_detail::Call<std::remove_reference_t<Fn>>::Run, &call);
  if (code != 0) TranslateStructuredException(code, nullptr);
  if (call.error) std::rethrow_exception(call.error);
}

}  // namespace fault
