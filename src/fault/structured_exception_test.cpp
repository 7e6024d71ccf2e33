#include "fault/structured_exception.h"

#include <gtest/gtest.h>

#include "platform/compiler.h"
#include "platform/fault_guard.h"

namespace fault {

// The codes a fault in the library raises are checked by the end-to-end
// runs; these are the ones no run can raise.
TEST(FormatStructuredException, NamesCodesNoRunRaises) {
  const struct { uint32_t code; const char* text; } rows[] = {
      {0x80000001u, "Exception 0x80000001\nSTATUS_GUARD_PAGE_VIOLATION"},
      {0xC06D007Fu, "Exception 0xC06D007F\nDelay-load procedure not found"},
      {0u, "Exception 0x00000000\nUnknown system exception"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatStructuredException(row.code), row.text);
}

namespace {
// The sanitizer's check would stop the division before the processor faults.
KORBINET_NOINLINE KORBINET_NO_UBSAN int DivideByZero() {
  volatile int zero = 0;
  return 7 / zero;
}
}  // namespace

TEST(CallTranslated, FaultBecomesStructuredExceptionAndOthersPassThrough) {
  platform::InstallFaultHandlers();
  uint32_t code = 0;
  try {
    CallTranslated([] { [[maybe_unused]] volatile int value = DivideByZero(); });
  } catch (const StructuredException& e) {
    code = e.code();
  }
  EXPECT_EQ(code, 0xC0000094u);
  EXPECT_THROW(CallTranslated([] { throw std::runtime_error("x"); }), std::runtime_error);
}

}  // namespace fault
