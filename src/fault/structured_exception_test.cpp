#include "fault/structured_exception.h"

#include <gtest/gtest.h>

namespace fault {

// The codes a fault in the library raises, and their translation into an
// exception, are checked by the end-to-end runs; these are codes no run can raise.
TEST(FormatStructuredException, NamesCodesNoRunRaises) {
  const struct { uint32_t code; const char* text; } rows[] = {
      {0x80000001u, "Exception 0x80000001\nSTATUS_GUARD_PAGE_VIOLATION"},
      {0xC06D007Fu, "Exception 0xC06D007F\nDelay-load procedure not found"},
      {0u, "Exception 0x00000000\nUnknown system exception"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatStructuredException(row.code), row.text);
}

}  // namespace fault
